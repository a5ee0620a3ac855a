#include "uei_responder.h"

#include "protocol_codes.h"

namespace sim {

namespace {

constexpr size_t kHeaderLength = 3;

uint8_t s_option(const Bytes& request) {
    return request[1] & kUeiOptionMask;
}

uint8_t s_index(const Bytes& request) {
    return request[2] & kUeiIndexMask;
}

}  // namespace

void UeiResponder::handle(Device& device, const Packet& request, HostConnection& host) {
    const Bytes& data = request.data;
    if (data.size() < kHeaderLength || (data[2] & kUeiRequest) == 0) {
        ++device.counters().malformed;
        return;
    }
    const bool isGet = (data[1] & kUeiGet) != 0;
    const bool isSet = (data[1] & kUeiSet) != 0;
    if (isGet == isSet) {
        refuse(device, data, kErrParam, host);
    } else if (isGet) {
        get(device, data, host);
    } else {
        set(device, data, host);
    }
}

Bytes ueiErrorReply(const Bytes& request, uint8_t code) {
    if (request.size() < kHeaderLength) {
        return genericErrorReply(request, code);
    }
    const uint8_t option =
        (request[1] & kUeiSet) != 0 ? s_option(request) | kUeiAcknowledge : s_option(request);
    return {request[0], option, static_cast<uint8_t>(s_index(request) | kUeiError), code};
}

Bytes UeiResponder::errorReply(const Bytes& request, uint8_t code) const {
    return ueiErrorReply(request, code);
}

void UeiResponder::refuse(Device& device, const Bytes& request, uint8_t code,
                          HostConnection& host) {
    ++device.counters().ueiErrors;
    device.answer(host, errorReply(request, code));
}

void UeiResponder::get(Device& device, const Bytes& request, HostConnection& host) {
    if (request.size() > kHeaderLength + 1) {
        refuse(device, request, kErrPacket, host);
        return;
    }
    PropertyKey key{request[0], s_option(request), s_index(request), std::nullopt};
    if (request.size() == kHeaderLength + 1) {
        key.subindex = request[3];
    }
    PropertyTable& table = device.properties();
    Property* property = table.find(key);
    if (property == nullptr) {
        refuse(device, request, table.missingReason(key), host);
        return;
    }
    if (!property->readable) {
        refuse(device, request, kErrPermission, host);
        return;
    }
    ++device.counters().ueiGets;
    const Bytes header{key.command, key.option, key.index};
    if (property->width == ValueWidth::Bytes) {
        ++device.counters().runsOut;
        for (Bytes& packet : runPackets(header, property->bytes)) {
            device.answer(host, std::move(packet));
        }
        return;
    }
    Bytes report = header;
    appendBigEndian(report, property->current(), widthBytes(property->width));
    device.answer(host, std::move(report));
}

void UeiResponder::set(Device& device, const Bytes& request, HostConnection& host) {
    PropertyTable& table = device.properties();
    PropertyKey key{request[0], s_option(request), s_index(request), std::nullopt};
    size_t valueAt = kHeaderLength;
    if (table.isSubindexed(key.command, key.option, key.index)) {
        if (request.size() == kHeaderLength) {
            refuse(device, request, kErrPacket, host);
            return;
        }
        key.subindex = request[3];
        ++valueAt;
    }
    Property* property = table.find(key);
    if (property == nullptr) {
        refuse(device, request, table.missingReason(key), host);
        return;
    }
    if (property->widthOfSets() == ValueWidth::Bytes) {
        setBytes(device, request, *property, host);
        return;
    }
    if (!property->writable) {
        refuse(device, request, kErrPermission, host);
        return;
    }
    const size_t count = request.size() - valueAt;
    if (count != widthBytes(property->widthOfSets())) {
        refuse(device, request, kErrSize, host);
        return;
    }
    const uint32_t number = readBigEndian(request.data() + valueAt, count);
    if (property->onSet) {
        if (uint8_t code = property->onSet(number, {})) {
            refuse(device, request, code, host);
            return;
        }
    }
    property->number = number;
    ++(count == 0 ? device.counters().ueiCalls : device.counters().ueiSets);
    Bytes acknowledgement{key.command, static_cast<uint8_t>(key.option | kUeiAcknowledge),
                          key.index};
    acknowledgement.insert(acknowledgement.end(), request.begin() + static_cast<long>(valueAt),
                           request.end());
    device.answer(host, std::move(acknowledgement));
}

void UeiResponder::setBytes(Device& device, const Bytes& request, Property& property,
                            HostConnection& host) {
    if (request.size() < kHeaderLength + 1) {
        refuse(device, request, kErrPacket, host);
        return;
    }
    const auto runKey = std::make_tuple(request[0], s_option(request), s_index(request));
    auto run = runs_.try_emplace(runKey, kMaxBytesValue).first;
    const size_t payload = request.size() - kHeaderLength - 1;
    switch (run->second.feed(request.data() + kHeaderLength, payload, request.back())) {
        case IncomingRun::Step::More:
        case IncomingRun::Step::Ignored:
            return;
        case IncomingRun::Step::Refused:
            ++device.counters().runsRefused;
            refuse(device, request, run->second.refusal(), host);
            return;
        case IncomingRun::Step::Done:
            break;
    }
    Bytes value = run->second.take();
    if (!property.writable) {
        refuse(device, request, kErrPermission, host);
        return;
    }
    if (property.onSet) {
        if (uint8_t code = property.onSet(0, value)) {
            refuse(device, request, code, host);
            return;
        }
    }
    property.bytes = std::move(value);
    ++device.counters().runsIn;
    ++device.counters().ueiSets;
    device.answer(host, {request[0], static_cast<uint8_t>(s_option(request) | kUeiAcknowledge),
                         s_index(request)});
}

}  // namespace sim
