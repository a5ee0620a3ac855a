// Packets and UEI requests and replies over a Link.
#include <algorithm>
#include <cstring>

#include "api/byte_run.h"
#include "api/link_filter_hub.h"
#include "api/link_impl.h"
#include "api/packet_ptr.h"
#include "api/run_collector.h"
#include "api/uei_reply.h"
#include "core/trace.h"

namespace Norvane::Lynkor {

namespace {

// Byte arrays above this many bytes get the longer wait for their reply.
constexpr uint32_t kLargePayload = 1000;
constexpr uint32_t kLargePayloadTimeoutMs = 4000;
// A run collector keeps the packets that fill the buffer, plus room for the one that overflows
// it, an error reply and a few out of sequence.
constexpr uint32_t kRunCollectorSlack = 16;

uint32_t s_replyTimeout(const uei& record) {
    return record.ueiType == ueiTypeBytes && record.bytesLength > kLargePayload
               ? kLargePayloadTimeoutMs
               : kReplyTimeoutMs;
}

struct RawMatch {
    uint8_t module;
    const uint8_t* bytes;
    uint8_t length;
};

uint8_t s_rawMatch(const aPacket* packet, void* reference) {
    const auto& match = *static_cast<const RawMatch*>(reference);
    return packet->address == match.module && packet->data_size >= match.length &&
           packet->data_size <= aPACKET_MAX_DATA &&
           std::equal(match.bytes, match.bytes + match.length, packet->data);
}

uint8_t s_isAddressReply(const aPacket* packet, void*) {
    return packet->data_size == 0 && packet->address != aLINK_QUERY_ADDRESS;
}

// Appends the value of a typed record, big-endian: nothing, 1, 2 or 4 bytes. aErrParam for a
// kind that is not a single value.
aErr s_appendValue(const uei& request, uint8_t* data, uint8_t& length) {
    switch (request.ueiType) {
        case ueiTypeVoid:
            return aErrNone;
        case ueiTypeByte:
            data[length++] = request.byteValue;
            return aErrNone;
        case ueiTypeShort:
            data[length++] = static_cast<uint8_t>(request.shortValue >> 8);
            data[length++] = static_cast<uint8_t>(request.shortValue);
            return aErrNone;
        case ueiTypeInt:
            for (int shift = 24; shift >= 0; shift -= 8) {
                data[length++] = static_cast<uint8_t>(request.intValue >> shift);
            }
            return aErrNone;
        default:
            return aErrParam;
    }
}

aErr s_put(aLinkRef id, uint8_t module, uint8_t length, const uint8_t* data) {
    lynkor::api::PacketPtr packet(aPacket_CreateWithData(module, length, data));
    return packet != nullptr ? aLink_PutPacket(id, packet.get()) : aErrResource;
}

}  // namespace

aErr LinkImpl::exchange(uint8_t module, const uint8_t* data, uint8_t length, aPacketFilter filter,
                        void* reference, uint32_t timeoutMs, lynkor::api::PacketPtr& reply) const {
    aErr result = aErrNone;
    const aLinkRef id = runningLink(result);
    if (id == 0) {
        return result;
    }
    // Anything that matches before the request goes out is a late answer to an earlier one.
    aLink_DrainPackets(id, filter, reference);
    result = s_put(id, module, length, data);
    if (result != aErrNone) {
        return result;
    }
    reply.reset(aLink_AwaitFirst(id, filter, reference, timeoutMs));
    return reply != nullptr ? aErrNone : aErrTimeout;
}

aErr Link::sendPacket(uint8_t module, uint8_t command, uint8_t length, const uint8_t* bytes) {
    if (length > aPACKET_MAX_DATA - 1 || (bytes == nullptr && length > 0)) {
        return aErrParam;
    }
    aErr result = aErrNone;
    const aLinkRef id = impl_->runningLinkTo(module, result);
    if (id == 0) {
        return result;
    }
    uint8_t data[aPACKET_MAX_DATA] = {command};
    if (length > 0) {
        std::memcpy(data + 1, bytes, length);
    }
    return s_put(id, module, static_cast<uint8_t>(length + 1), data);
}

aErr Link::receivePacket(uint8_t module, const uint8_t* match, uint8_t matchLength, uint8_t* length,
                         uint8_t* bytes) {
    if (matchLength > aPACKET_MAX_DATA || (match == nullptr && matchLength > 0) ||
        length == nullptr || bytes == nullptr) {
        return aErrParam;
    }
    aErr result = aErrNone;
    const aLinkRef id = impl_->runningLinkTo(module, result);
    if (id == 0) {
        return result;
    }
    RawMatch wanted{module, match, matchLength};
    lynkor::api::PacketPtr packet(aLink_AwaitFirst(id, s_rawMatch, &wanted, kReplyTimeoutMs));
    if (packet == nullptr) {
        return aErrTimeout;
    }
    *length = packet->data_size;
    std::memcpy(bytes, packet->data, packet->data_size);
    return aErrNone;
}

aErr Link::dropMatchingPackets(uint8_t module, const uint8_t* match, uint8_t matchLength) {
    if (matchLength > aPACKET_MAX_DATA || (match == nullptr && matchLength > 0)) {
        return aErrParam;
    }
    aErr result = aErrNone;
    const aLinkRef id = impl_->runningLinkTo(module, result);
    if (id == 0) {
        return result;
    }
    RawMatch wanted{module, match, matchLength};
    aLink_DrainPackets(id, s_rawMatch, &wanted);
    return aErrNone;
}

aErr Link::sendUEI(const uei& request) {
    aErr result = aErrNone;
    const aLinkRef id = impl_->runningLinkTo(request.module, result);
    if (id == 0) {
        return result;
    }
    if (request.ueiType == ueiTypeBytes) {
        return lynkor::api::sendByteRun(id, request);
    }
    uint8_t data[aPACKET_MAX_DATA] = {request.command, request.option, request.index};
    uint8_t length = UEI_HEADER_SIZE;
    result = s_appendValue(request, data, length);
    return result == aErrNone ? s_put(id, request.module, length, data) : result;
}

aErr Link::sendUEI(const uei& request, uint8_t subindex) {
    aErr result = aErrNone;
    const aLinkRef id = impl_->runningLinkTo(request.module, result);
    if (id == 0) {
        return result;
    }
    uint8_t data[aPACKET_MAX_DATA] = {request.command, request.option, request.index, subindex};
    uint8_t length = UEI_HEADER_SIZE + 1;
    result = s_appendValue(request, data, length);
    return result == aErrNone ? s_put(id, request.module, length, data) : result;
}

aErr Link::receiveUEI(uint8_t module, uint8_t command, uint8_t option, uint8_t index, uei* reply) {
    return receiveUEI(module, command, option, index, reply, lynkor::api::replyFilter);
}

aErr Link::receiveUEI(uint8_t module, uint8_t command, uint8_t option, uint8_t index, uei* reply,
                      aPacketFilter filter) {
    if (reply == nullptr) {
        return aErrParam;
    }
    const uint32_t timeoutMs = s_replyTimeout(*reply);
    if (timeoutMs != kReplyTimeoutMs) {
        lynkor::trace(aTRACE_OBJECTS, "receiveUEI - Expanding timeout for large payload: %lu\n",
                      static_cast<unsigned long>(timeoutMs));
    }
    return receiveUEIWithin(module, command, option, index, reply, filter, timeoutMs);
}

aErr Link::receiveUEIWithin(uint8_t module, uint8_t command, uint8_t option, uint8_t index,
                            uei* reply, aPacketFilter filter, uint32_t timeoutMs) {
    if (reply == nullptr || filter == nullptr) {
        return aErrParam;
    }
    aErr result = aErrNone;
    const aLinkRef id = impl_->runningLinkTo(module, result);
    if (id == 0) {
        return result;
    }
    reply->module = module;
    reply->command = command;
    reply->option = option;
    reply->index = index;
    lynkor::api::PacketPtr packet(aLink_AwaitFirst(id, filter, reply, timeoutMs));
    if (packet == nullptr) {
        return aErrTimeout;
    }
    if (packet->data_size < UEI_HEADER_SIZE) {
        return aErrUnknown;
    }
    if (reply->ueiType == ueiTypeBytes) {
        reply->index = packet->data[2];
        // A byte-array get stores the packet now that the wait is over; for a set's
        // acknowledgement only the verdict counts.
        if (reply->receivedCount != nullptr) {
            return lynkor::api::appendRunPacket(*reply, *packet);
        }
        return (packet->data[2] & UEI_ERROR) != 0 ? lynkor::api::deviceErrorOf(*packet) : aErrNone;
    }
    return lynkor::api::readReply(*packet, *reply);
}

aErr Link::receiveByteArray(uei& run) {
    aErr result = aErrNone;
    const aLinkRef id = impl_->runningLinkTo(run.module, result);
    if (id == 0) {
        return result;
    }
    *run.receivedCount = 0;
    run.expectedSequence = 0;
    run.moreFollow = 1;
    auto collector = std::make_shared<lynkor::api::RunCollector>(
        run, run.bytesLength / UEI_BYTES_PAYLOAD_MAX + kRunCollectorSlack);
    dropMatchingUEIPackets(run.module, run.command, run.option, run.index);
    result = lynkor::api::attachTaker(id, collector);
    if (result == aErrNone) {
        uei request{};
        request.module = run.module;
        request.command = run.command;
        request.option = static_cast<uint8_t>(run.option | UEI_GET);
        request.index = static_cast<uint8_t>(run.index | UEI_REQUEST);
        result = sendUEI(request);
    }
    const uint32_t timeoutMs = s_replyTimeout(run);
    while (result == aErrNone && run.moreFollow != 0) {
        const std::optional<aPacket> packet = collector->awaitNext(run, timeoutMs);
        result = packet.has_value() ? lynkor::api::appendRunPacket(run, *packet) : aErrTimeout;
    }
    lynkor::api::detachTaker(id, collector.get());
    if (result != aErrNone) {
        // What is left of the run must not pass for the next get's.
        dropMatchingUEIPackets(run.module, run.command, run.option, run.index);
    }
    return result;
}

aErr Link::dropMatchingUEIPackets(uint8_t module, uint8_t command, uint8_t option, uint8_t index) {
    aErr result = aErrNone;
    const aLinkRef id = impl_->runningLinkTo(module, result);
    if (id == 0) {
        return result;
    }
    uei wanted{};
    wanted.module = module;
    wanted.command = command;
    wanted.option = option;
    wanted.index = index;
    aLink_DrainPackets(id, lynkor::api::replyFilter, &wanted);
    return aErrNone;
}

aErr Link::getModuleAddress(uint8_t* address) {
    if (address == nullptr) {
        return aErrParam;
    }
    *address = 0;
    aErr result = aErrNone;
    const aLinkRef id = impl_->runningLink(result);
    if (id == 0) {
        return result;
    }
    const uint8_t noData[1] = {};
    result = s_put(id, aLINK_QUERY_ADDRESS, 0, noData);
    if (result != aErrNone) {
        return result;
    }
    lynkor::api::PacketPtr reply(aLink_AwaitFirst(id, s_isAddressReply, nullptr, kReplyTimeoutMs));
    if (reply == nullptr) {
        return aErrNotReady;
    }
    *address = reply->address;
    return aErrNone;
}

}  // namespace Norvane::Lynkor
