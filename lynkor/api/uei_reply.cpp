#include "api/uei_reply.h"

namespace lynkor::api {

namespace {

constexpr uint8_t kErrorCodeByte = 3;

constexpr uint8_t kReplyVoid = 3;
constexpr uint8_t kReplyByte = 4;
constexpr uint8_t kReplyShort = 5;
constexpr uint8_t kReplyInt = 7;

}  // namespace

bool isReplyTo(const aPacket& packet, const uei& request) {
    if (packet.address != request.module || packet.data_size < UEI_HEADER_SIZE ||
        packet.data_size > aPACKET_MAX_DATA || packet.data[0] != request.command ||
        (packet.data[2] & UEI_INDEX_MASK) != (request.index & UEI_INDEX_MASK) ||
        (packet.data[2] & (UEI_STREAM | UEI_REQUEST)) != 0) {
        return false;
    }
    if ((packet.data[2] & UEI_ERROR) != 0) {
        return (packet.data[1] & UEI_OPTION_MASK) == (request.option & UEI_OPTION_MASK);
    }
    return packet.data[1] == request.option;
}

uint8_t replyFilter(const aPacket* packet, void* request) {
    return isReplyTo(*packet, *static_cast<const uei*>(request)) ? 1 : 0;
}

aErr resultFromDevice(uint8_t code) {
    // Also the status 0x80 that an I2C bus reports for a device that did not answer.
    return code <= aErrUnknown ? static_cast<aErr>(code) : aErrUnknown;
}

aErr errorFromDevice(uint8_t code) {
    return code == aErrNone ? aErrUnknown : resultFromDevice(code);
}

aErr deviceErrorOf(const aPacket& packet) {
    return packet.data_size > kErrorCodeByte ? errorFromDevice(packet.data[kErrorCodeByte])
                                             : aErrUnknown;
}

aErr readReply(const aPacket& packet, uei& reply) {
    reply.index = packet.data[2];
    if ((packet.data[2] & UEI_ERROR) != 0) {
        const aErr code = deviceErrorOf(packet);
        reply.byteValue = static_cast<uint8_t>(code);
        return code;
    }
    const uint8_t* value = packet.data + UEI_HEADER_SIZE;
    switch (packet.data_size) {
        case kReplyVoid:
            reply.ueiType = ueiTypeVoid;
            break;
        case kReplyByte:
            reply.byteValue = value[0];
            reply.ueiType = ueiTypeByte;
            break;
        case kReplyShort:
            reply.shortValue = aUEI_RetrieveShort(value);
            reply.ueiType = ueiTypeShort;
            break;
        case kReplyInt:
            reply.intValue = aUEI_RetrieveInt(value);
            reply.ueiType = ueiTypeInt;
            break;
        default:
            break;
    }
    return aErrNone;
}

}  // namespace lynkor::api
