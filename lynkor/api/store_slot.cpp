// Store slots (cmdSLOT): files of a device's stores, read and written through a handle.
#include <algorithm>
#include <cstring>

#include "api/link_impl.h"
#include "api/uei_reply.h"

namespace Norvane::Lynkor {

namespace {

constexpr uint8_t kSlotCapacity = 1;
constexpr uint8_t kSlotSize = 2;
constexpr uint8_t kSlotOpenRead = 3;
constexpr uint8_t kSlotOpenWrite = 4;
constexpr uint8_t kSlotRead = 6;
constexpr uint8_t kSlotWrite = 7;
constexpr uint8_t kSlotClose = 8;
// Replies echo the sub-command with this bit set on error.
constexpr uint8_t kSlotErrorFlag = 0x80;

constexpr uint32_t kSlotOpenTimeoutMs = 3000;
constexpr uint8_t kSlotWriteChunk = 25;
constexpr uint8_t kFailedHandle = 255;

// Replies to a sub-command about a store and slot (1-4) carry both in bytes 2 and 3, and an
// error code in byte 4; replies about a handle (5-8) carry it in byte 2 and the code in byte 3.
struct SlotReply {
    uint8_t module;
    uint8_t subCommand;
    uint8_t first;
    uint8_t second;
};

bool s_isHandleCommand(uint8_t subCommand) {
    return subCommand > kSlotOpenWrite;
}

uint8_t s_isSlotReply(const aPacket* packet, void* reference) {
    const auto& wanted = *static_cast<const SlotReply*>(reference);
    if (packet->address != wanted.module || packet->data_size < 3 ||
        packet->data_size > aPACKET_MAX_DATA || packet->data[0] != cmdSLOT ||
        (packet->data[1] & ~kSlotErrorFlag) != wanted.subCommand ||
        packet->data[2] != wanted.first) {
        return 0;
    }
    return s_isHandleCommand(wanted.subCommand) ||
           (packet->data_size >= 4 && packet->data[3] == wanted.second);
}

// The error of a reply with the error flag: its code, or aErrUnknown when it carries none.
aErr s_slotError(const aPacket& reply, uint8_t subCommand) {
    const uint8_t codeByte = s_isHandleCommand(subCommand) ? 3 : 4;
    return reply.data_size > codeByte ? lynkor::api::errorFromDevice(reply.data[codeByte])
                                      : aErrUnknown;
}

// One request and its reply; aErrNone only for a reply without the error flag.
aErr s_slotRequest(const LinkImpl& link, uint8_t module, const uint8_t* data, uint8_t length,
                   uint32_t timeoutMs, lynkor::api::PacketPtr& reply) {
    const uint8_t subCommand = data[1];
    SlotReply wanted{module, subCommand, data[2], length > 3 ? data[3] : uint8_t{0}};
    const aErr result =
        link.exchange(module, data, length, s_isSlotReply, &wanted, timeoutMs, reply);
    if (result != aErrNone) {
        return result;
    }
    return (reply->data[1] & kSlotErrorFlag) != 0 ? s_slotError(*reply, subCommand) : aErrNone;
}

aErr s_slotQuery(const LinkImpl& link, uint8_t module, uint8_t subCommand, uint8_t store,
                 uint8_t slot, uint32_t* value) {
    if (value == nullptr) {
        return aErrParam;
    }
    const uint8_t request[] = {cmdSLOT, subCommand, store, slot};
    lynkor::api::PacketPtr reply;
    const aErr result =
        s_slotRequest(link, module, request, sizeof request, kReplyTimeoutMs, reply);
    if (result != aErrNone) {
        return result;
    }
    if (reply->data_size != 6) {
        return aErrUnknown;
    }
    *value = static_cast<uint32_t>((reply->data[4] << 8) | reply->data[5]);
    return aErrNone;
}

// Opens the slot; aErrMedia when the device cannot.
aErr s_open(const LinkImpl& link, uint8_t module, uint8_t subCommand, uint8_t store, uint8_t slot,
            uint8_t& handle) {
    const uint8_t request[] = {cmdSLOT, subCommand, store, slot};
    lynkor::api::PacketPtr reply;
    aErr result = s_slotRequest(link, module, request, sizeof request, kSlotOpenTimeoutMs, reply);
    if (result == aErrNone && (reply->data_size < 5 || reply->data[4] == kFailedHandle)) {
        result = aErrMedia;
    }
    if (result == aErrNone) {
        handle = reply->data[4];
    } else if (result != aErrTimeout && result != aErrConnection) {
        result = aErrMedia;
    }
    return result;
}

aErr s_close(const LinkImpl& link, uint8_t module, uint8_t handle) {
    const uint8_t request[] = {cmdSLOT, kSlotClose, handle};
    lynkor::api::PacketPtr reply;
    const aErr result =
        s_slotRequest(link, module, request, sizeof request, kReplyTimeoutMs, reply);
    if (result == aErrNone && reply->data_size != 4) {
        return aErrUnknown;
    }
    return result;
}

uint8_t s_sum(const uint8_t* bytes, size_t length) {
    uint8_t sum = 0;
    for (size_t i = 0; i < length; ++i) {
        sum = static_cast<uint8_t>(sum + bytes[i]);
    }
    return sum;
}

}  // namespace

aErr Link::storeSlotCapacity(uint8_t module, uint8_t store, uint8_t slot, uint32_t* capacity) {
    return s_slotQuery(*impl_, module, kSlotCapacity, store, slot, capacity);
}

aErr Link::storeSlotSize(uint8_t module, uint8_t store, uint8_t slot, uint32_t* size) {
    return s_slotQuery(*impl_, module, kSlotSize, store, slot, size);
}

aErr Link::loadStoreSlot(uint8_t module, uint8_t store, uint8_t slot, const uint8_t* bytes,
                         uint32_t length) {
    if (bytes == nullptr && length > 0) {
        return aErrParam;
    }
    uint8_t handle = 0;
    aErr result = s_open(*impl_, module, kSlotOpenWrite, store, slot, handle);
    if (result != aErrNone) {
        return result;
    }
    for (uint32_t offset = 0; offset < length && result == aErrNone;) {
        const uint8_t chunk =
            static_cast<uint8_t>(std::min<uint32_t>(kSlotWriteChunk, length - offset));
        uint8_t request[aPACKET_MAX_DATA] = {cmdSLOT, kSlotWrite, handle};
        std::memcpy(request + 3, bytes + offset, chunk);
        lynkor::api::PacketPtr reply;
        result = s_slotRequest(*impl_, module, request, static_cast<uint8_t>(chunk + 3),
                               kReplyTimeoutMs, reply);
        if (result == aErrNone &&
            (reply->data_size != 4 || reply->data[3] != s_sum(bytes + offset, chunk))) {
            result = aErrIO;
        }
        offset += chunk;
    }
    const aErr closed = s_close(*impl_, module, handle);
    return result != aErrNone ? result : closed;
}

aErr Link::unloadStoreSlot(uint8_t module, uint8_t store, uint8_t slot, uint8_t* buffer,
                           uint32_t length, uint32_t* count) {
    if (buffer == nullptr || count == nullptr) {
        return aErrParam;
    }
    *count = 0;
    uint32_t size = 0;
    aErr result = storeSlotSize(module, store, slot, &size);
    if (result != aErrNone) {
        return result;
    }
    uint8_t handle = 0;
    result = s_open(*impl_, module, kSlotOpenRead, store, slot, handle);
    if (result != aErrNone) {
        return result;
    }
    const uint32_t wanted = std::min(length, size);
    uint32_t received = 0;
    while (received < wanted && result == aErrNone) {
        const uint8_t request[] = {cmdSLOT, kSlotRead, handle};
        lynkor::api::PacketPtr reply;
        result = s_slotRequest(*impl_, module, request, sizeof request, kReplyTimeoutMs, reply);
        if (result == aErrNone && reply->data_size < 4) {
            result = aErrUnknown;
        }
        if (result == aErrNone) {
            const uint32_t chunk = std::min<uint32_t>(reply->data_size - 3u, wanted - received);
            std::memcpy(buffer + received, reply->data + 3, chunk);
            received += chunk;
        }
    }
    const aErr closed = s_close(*impl_, module, handle);
    *count = received;
    if (result == aErrNone) {
        result = closed;
    }
    return result == aErrNone && length < size ? aErrOverrun : result;
}

}  // namespace Norvane::Lynkor
