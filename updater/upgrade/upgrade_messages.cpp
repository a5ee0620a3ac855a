#include "upgrade/upgrade_messages.h"

#include <numeric>

namespace {

constexpr size_t kInitReplyLength = 6;
constexpr size_t kDataReplyLength = 3;
constexpr size_t kPrepareReplyLength = 5;
constexpr size_t kSumReplyLength = 7;
constexpr size_t kWriteReplyLength = 3;
constexpr size_t kFieldsStart = 2;

}  // namespace

uint32_t readBigEndian32(const uint8_t* bytes) {
    return static_cast<uint32_t>(bytes[0]) << 24 | static_cast<uint32_t>(bytes[1]) << 16 |
           static_cast<uint32_t>(bytes[2]) << 8 | static_cast<uint32_t>(bytes[3]);
}

std::optional<uint32_t> parseInitReply(std::span<const uint8_t> reply) {
    if (reply.size() < kInitReplyLength) {
        return std::nullopt;
    }
    return readBigEndian32(&reply[kFieldsStart]);
}

std::optional<uint8_t> parseDataReply(std::span<const uint8_t> reply) {
    if (reply.size() < kDataReplyLength) {
        return std::nullopt;
    }
    return reply[kFieldsStart];
}

std::optional<PrepareReply> parsePrepareReply(std::span<const uint8_t> reply) {
    if (reply.size() < kPrepareReplyLength) {
        return std::nullopt;
    }
    return PrepareReply{reply[kFieldsStart], static_cast<uint16_t>(reply[kFieldsStart + 1] << 8 |
                                                                   reply[kFieldsStart + 2])};
}

std::optional<SumReply> parseSumReply(std::span<const uint8_t> reply) {
    if (reply.size() < kSumReplyLength) {
        return std::nullopt;
    }
    return SumReply{reply[kFieldsStart], readBigEndian32(&reply[kFieldsStart + 1])};
}

std::optional<uint8_t> parseWriteReply(std::span<const uint8_t> reply) {
    if (reply.size() < kWriteReplyLength) {
        return std::nullopt;
    }
    return reply[kFieldsStart];
}

uint32_t upgradeSum(std::span<const uint8_t> bytes) {
    return std::accumulate(bytes.begin(), bytes.end(), uint32_t{0});
}
