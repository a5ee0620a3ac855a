// Beacon frames, as a run of frames heard during one enumeration: the input is cut into frames,
// each "<sender byte><length byte><bytes>". Only 128-byte frames become records, each record at
// most once, and in local mode only those of this computer or of their sender.
#include <arpa/inet.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <span>
#include <string>
#include <vector>

#include "discovery/beacon_record_filter.h"

namespace {

// A 128-byte frame length cannot be spelt in one byte; 0xFF stands for it.
constexpr uint8_t kWholeRecord = 0xFF;

bool s_sameRecord(const linkSpec& a, const linkSpec& b) {
    return a.serial_num == b.serial_num && a.ip_address == b.ip_address && a.ip_port == b.ip_port &&
           a.type == b.type;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) {
        return 0;
    }
    const bool localFiltering = (data[0] & 1) != 0;
    lynkor::discovery::BeaconRecordFilter filter(localFiltering);
    std::vector<linkSpec> reported;
    size_t at = 1;
    while (at + 2 <= size) {
        const std::string sender = "127.0.0." + std::to_string(data[at]);
        const size_t wanted = data[at + 1] == kWholeRecord ? sizeof(linkSpec) : data[at + 1];
        at += 2;
        const size_t length = std::min(wanted, size - at);
        const auto spec = filter.admit(sender.c_str(), std::span(data + at, length));
        at += length;
        if (!spec) {
            continue;
        }
        const bool repeated = std::any_of(reported.begin(), reported.end(), [&](const auto& known) {
            return s_sameRecord(known, *spec);
        });
        in_addr senderAddress{};
        inet_pton(AF_INET, sender.c_str(), &senderAddress);
        const bool foreign =
            spec->ip_address != htonl(INADDR_LOOPBACK) && spec->ip_address != senderAddress.s_addr;
        if (length != sizeof(linkSpec) || repeated || (localFiltering && foreign) ||
            std::memcmp(&*spec, data + at - length, sizeof(linkSpec)) != 0) {
            std::abort();
        }
        reported.push_back(*spec);
    }
    return 0;
}
