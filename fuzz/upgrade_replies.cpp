// Upgrade replies as a device may send them: every parser takes a field only when the reply
// holds it, and reads it big-endian where it stands.
#include <cstdint>
#include <cstdlib>
#include <span>

#include "upgrade/upgrade_messages.h"

namespace {

void s_require(bool condition) {
    if (!condition) {
        std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::span<const uint8_t> reply(data, size);
    const auto base = parseInitReply(reply);
    s_require(base.has_value() == (size >= 6));
    s_require(!base || *base == readBigEndian32(data + 2));
    const auto accepted = parseDataReply(reply);
    s_require(accepted.has_value() == (size >= 3));
    s_require(!accepted || *accepted == data[2]);
    const auto prepared = parsePrepareReply(reply);
    s_require(prepared.has_value() == (size >= 5));
    s_require(!prepared ||
              (prepared->status == data[2] && prepared->blockSize == (data[3] << 8 | data[4])));
    const auto summed = parseSumReply(reply);
    s_require(summed.has_value() == (size >= 7));
    s_require(!summed || (summed->status == data[2] && summed->sum == readBigEndian32(data + 3)));
    const auto written = parseWriteReply(reply);
    s_require(written.has_value() == (size >= 3));
    s_require(!written || *written == data[2]);
    uint32_t sum = 0;
    for (uint8_t byte : reply) {
        sum += byte;
    }
    s_require(upgradeSum(reply) == sum);
    return 0;
}
