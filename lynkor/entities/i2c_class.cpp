#include "lynkor/entities/I2CClass.h"

#include <cstring>

#include "api/uei_reply.h"

namespace Norvane::Lynkor {

namespace {

constexpr uint32_t kMaxTransfer = 23;
constexpr uint8_t kMaxSpeed = 3;
constexpr uint8_t kReadBit = 0x01;
// The bus address that stands for the pull-up switch.
constexpr uint8_t kPullupAddress = 1;
// Requests: [index, address, count, speed, bytes]; replies: [command, index, address, count,
// status, bytes].
constexpr uint32_t kRequestHeader = 4;
constexpr uint8_t kReplyHeader = 5;
constexpr uint8_t kCountByte = 3;
constexpr uint8_t kStatusByte = 4;
constexpr uint8_t kStatusError = 0x80;

}  // namespace

I2CClass::I2CClass() = default;

I2CClass::~I2CClass() = default;

void I2CClass::init(Module* module, uint8_t index) {
    EntityClass::init(module, kCommand, index);
}

aErr I2CClass::exchange(std::span<const uint8_t> request, std::span<const uint8_t> match,
                        Reply& reply) {
    aErr result = sendPacket(static_cast<uint8_t>(request.size()), request.data());
    if (result == aErrNone) {
        result = receivePacket(match.data(), static_cast<uint8_t>(match.size()), &reply.length,
                               reply.data);
    }
    if (result != aErrNone) {
        return result;
    }
    if (reply.length < kReplyHeader) {
        return aErrPacket;
    }
    const uint8_t status = reply.data[kStatusByte];
    return (status & kStatusError) != 0
               ? lynkor::api::errorFromDevice(static_cast<uint8_t>(status & ~kStatusError))
               : aErrNone;
}

aErr I2CClass::read(uint8_t address, uint32_t length, uint8_t* buffer) {
    if (length > kMaxTransfer) {
        return aErrSize;
    }
    if (buffer == nullptr && length > 0) {
        return aErrParam;
    }
    const uint8_t target = address | kReadBit;
    const uint8_t request[] = {getIndex(), target, static_cast<uint8_t>(length), speed_};
    const uint8_t match[] = {kCommand, getIndex(), target};
    Reply reply;
    const aErr result = exchange(request, match, reply);
    if (result != aErrNone) {
        return result;
    }
    const uint8_t count = reply.data[kCountByte];
    if (count > length || count > reply.length - kReplyHeader) {
        return aErrPacket;
    }
    std::memcpy(buffer, reply.data + kReplyHeader, count);
    return aErrNone;
}

aErr I2CClass::write(uint8_t address, uint32_t length, const uint8_t* bytes) {
    if (length > kMaxTransfer) {
        return aErrSize;
    }
    if (bytes == nullptr && length > 0) {
        return aErrParam;
    }
    uint8_t request[kRequestHeader + kMaxTransfer] = {getIndex(), address,
                                                      static_cast<uint8_t>(length), speed_};
    if (length > 0) {
        std::memcpy(request + kRequestHeader, bytes, length);
    }
    const uint8_t match[] = {kCommand, getIndex(), address, 0};
    Reply reply;
    return exchange(std::span<const uint8_t>(request, kRequestHeader + length), match, reply);
}

aErr I2CClass::setPullup(bool enable) {
    const uint8_t request[] = {getIndex(), kPullupAddress, static_cast<uint8_t>(enable ? 1 : 0)};
    const uint8_t match[] = {kCommand, getIndex(), kPullupAddress};
    Reply reply;
    return exchange(request, match, reply);
}

aErr I2CClass::setSpeed(uint8_t speed) {
    if (speed > kMaxSpeed) {
        return aErrParam;
    }
    speed_ = speed;
    return aErrNone;
}

uint8_t I2CClass::getSpeed() const {
    return speed_;
}

}  // namespace Norvane::Lynkor
