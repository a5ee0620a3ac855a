#include "usb_transport.h"

#include <chrono>
#include <cstdio>

#include "system_entity.h"

namespace sim {
namespace {

UsbDeviceProperties s_properties(Device& device) {
    char serial[9];
    std::snprintf(serial, sizeof serial, "%08X", systemNumber(device, kSystemSerial));
    UsbDeviceProperties properties;
    // The product byte is the model number.
    properties.productId = static_cast<uint16_t>(device.config().model & 0xFF);
    properties.serialNumber = serial;
    return properties;
}

}  // namespace

UsbTransport::UsbTransport(EventLoop& loop, Device& device, const std::string& directory)
    : device_(device),
      endpoint_(loop, directory, s_properties(device).serialNumber, s_properties(device),
                [this](const Bytes& transfer) { onTransfer(transfer); }) {
    device_.attach(this);
}

UsbTransport::~UsbTransport() {
    device_.detach(this);
}

void UsbTransport::sendRaw(const Bytes& bytes) {
    hostLagging_ =
        !endpoint_.endpoint().sendIn(bytes, hostLagging_ ? std::chrono::milliseconds(0) : kHostLag);
}

void UsbTransport::hangUp() {
    endpoint_.endpoint().unplug();
    endpoint_.endpoint().plugIn();
}

void UsbTransport::onTransfer(const Bytes& transfer) {
    for (uint8_t byte : transfer) {
        if (auto packet = assembler_.feed(byte)) {
            device_.receive(*packet, *this);
        }
    }
}

}  // namespace sim
