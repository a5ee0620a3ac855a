#include "i2c_bus.h"

#include "protocol_codes.h"

namespace sim {

namespace {

constexpr uint8_t kStatusError = 0x80;
constexpr uint8_t kReadBit = 0x01;
constexpr uint8_t kPullupAddress = 1;
constexpr size_t kHeaderLength = 5;

}  // namespace

void I2cBus::setPresent(uint8_t address, bool present) {
    address &= static_cast<uint8_t>(~kReadBit);
    if (present) {
        alsoPresent_.insert(address);
    } else {
        alsoPresent_.erase(address);
    }
}

bool I2cBus::present(const Device& device, uint8_t address) const {
    return device.childAt(address) != nullptr || alsoPresent_.contains(address);
}

void I2cBus::handle(Device& device, const Packet& request, HostConnection& host) {
    const Bytes& data = request.data;
    if (data.size() == 4 && data[2] == kPullupAddress) {
        pullup_ = data[3] != 0;
        device.answer(host, {kCmdI2c, data[1], kPullupAddress, data[3], 0});
        return;
    }
    if (data.size() < kHeaderLength) {
        ++device.counters().malformed;
        return;
    }
    const uint8_t index = data[1];
    const uint8_t address = data[2];
    const uint8_t busAddress = address & static_cast<uint8_t>(~kReadBit);
    const uint8_t count = data[3];
    const bool reading = (address & kReadBit) != 0;
    if (index != 0) {
        device.answer(host, errorReply(data, kErrIndexRange));
        return;
    }
    if (count > kMaxTransfer || (!reading && data.size() != kHeaderLength + count) ||
        (reading && data.size() != kHeaderLength)) {
        device.answer(host, errorReply(data, kErrSize));
        return;
    }
    DeviceStats& stats = device.counters();
    ++stats.i2cProbes[busAddress];
    stats.i2cSpeed[busAddress] = data[4];
    if (!present(device, busAddress)) {
        device.answer(host, errorReply(data, kErrNotFound));
        return;
    }
    Bytes answer{kCmdI2c, index, address, reading ? count : uint8_t{0}, 0};
    if (reading) {
        answer.resize(answer.size() + count, 0);
    }
    device.answer(host, std::move(answer));
}

Bytes I2cBus::errorReply(const Bytes& request, uint8_t code) const {
    // No bytes moved: byte 3 is 0 for reads and writes alike.
    return {kCmdI2c, request.size() > 1 ? request[1] : uint8_t{0},
            request.size() > 2 ? request[2] : uint8_t{0}, 0,
            static_cast<uint8_t>(kStatusError | code)};
}

}  // namespace sim
