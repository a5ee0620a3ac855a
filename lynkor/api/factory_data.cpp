// Factory data (cmdFACTORY): numbered blocks of a device's factory settings, read and written in
// packets and closed by a finish packet that states the total.
#include <algorithm>
#include <cstring>

#include "api/link_impl.h"
#include "api/uei_reply.h"

namespace Norvane::Lynkor {

namespace {

// Option byte of a request: the block, then what the packet does.
constexpr uint8_t kBlockMask = 0x0F;
constexpr uint8_t kFactoryWrite = 0x10;
constexpr uint8_t kFactoryFinish = 0x20;
constexpr uint8_t kFactoryFirst = 0x40;
// Replies carry the block (0 for the finish) and this bit on error.
constexpr uint8_t kFactoryError = 0x80;

constexpr uint8_t kFactoryHeader = 2;
constexpr uint8_t kWriteChunk = aPACKET_MAX_DATA - kFactoryHeader;
// A read reply of full length says more follows.
constexpr uint8_t kFullReply = aPACKET_MAX_DATA;
// The finish packet states the total in 16 bits.
constexpr uint32_t kTotalLimit = 0xFFFF;

struct FactoryReply {
    uint8_t module;
    uint8_t block;
};

uint8_t s_isFactoryReply(const aPacket* packet, void* reference) {
    const auto& wanted = *static_cast<const FactoryReply*>(reference);
    return packet->address == wanted.module && packet->data_size >= kFactoryHeader &&
           packet->data_size <= aPACKET_MAX_DATA && packet->data[0] == cmdFACTORY &&
           (packet->data[1] & ~kFactoryError) == wanted.block;
}

aErr s_factoryError(const aPacket& reply) {
    return reply.data_size > kFactoryHeader
               ? lynkor::api::errorFromDevice(reply.data[kFactoryHeader])
               : aErrUnknown;
}

// Sends one packet and takes the reply for `replyBlock`; an error reply answers its code.
aErr s_factoryRequest(const LinkImpl& link, uint8_t module, const uint8_t* data, uint8_t length,
                      uint8_t replyBlock, lynkor::api::PacketPtr& reply) {
    FactoryReply wanted{module, replyBlock};
    const aErr result =
        link.exchange(module, data, length, s_isFactoryReply, &wanted, kReplyTimeoutMs, reply);
    if (result != aErrNone) {
        return result;
    }
    return (reply->data[1] & kFactoryError) != 0 ? s_factoryError(*reply) : aErrNone;
}

aErr s_finish(const LinkImpl& link, uint8_t module, uint32_t total) {
    const uint8_t request[] = {cmdFACTORY, kFactoryFinish, static_cast<uint8_t>(total >> 8),
                               static_cast<uint8_t>(total)};
    lynkor::api::PacketPtr reply;
    return s_factoryRequest(link, module, request, sizeof request, 0, reply);
}

}  // namespace

aErr Link::getFactoryData(uint8_t module, uint8_t block, uint8_t* buffer, uint32_t length,
                          uint32_t* count) {
    if (buffer == nullptr || count == nullptr || block > kBlockMask) {
        return aErrParam;
    }
    *count = 0;
    const uint32_t room = std::min(length, kTotalLimit + 1);
    uint32_t total = 0;
    bool more = true;
    for (bool first = true; more; first = false) {
        const uint8_t request[] = {cmdFACTORY,
                                   static_cast<uint8_t>(block | (first ? kFactoryFirst : 0))};
        lynkor::api::PacketPtr reply;
        const aErr result = s_factoryRequest(*impl_, module, request, sizeof request, block, reply);
        if (result != aErrNone) {
            return result;
        }
        const uint32_t chunk = reply->data_size - kFactoryHeader;
        if (total + chunk >= room) {
            return aErrOverrun;
        }
        std::memcpy(buffer + total, reply->data + kFactoryHeader, chunk);
        total += chunk;
        more = reply->data_size == kFullReply;
    }
    const aErr result = s_finish(*impl_, module, total);
    if (result == aErrNone) {
        *count = total;
    }
    return result;
}

aErr Link::setFactoryData(uint8_t module, uint8_t block, const uint8_t* bytes, uint32_t length) {
    if ((bytes == nullptr && length > 0) || block > kBlockMask || length > kTotalLimit) {
        return aErrParam;
    }
    uint32_t offset = 0;
    bool first = true;
    do {
        const uint8_t chunk =
            static_cast<uint8_t>(std::min<uint32_t>(kWriteChunk, length - offset));
        uint8_t request[aPACKET_MAX_DATA] = {
            cmdFACTORY, static_cast<uint8_t>(block | kFactoryWrite | (first ? kFactoryFirst : 0))};
        if (chunk > 0) {
            std::memcpy(request + kFactoryHeader, bytes + offset, chunk);
        }
        lynkor::api::PacketPtr reply;
        const aErr result = s_factoryRequest(
            *impl_, module, request, static_cast<uint8_t>(chunk + kFactoryHeader), block, reply);
        if (result != aErrNone) {
            return result;
        }
        if (reply->data_size != kFactoryHeader) {
            return aErrSize;
        }
        offset += chunk;
        first = false;
    } while (offset < length);
    return s_finish(*impl_, module, length);
}

}  // namespace Norvane::Lynkor
