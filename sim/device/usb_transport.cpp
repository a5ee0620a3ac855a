#include "usb_transport.h"

#include <sys/eventfd.h>
#include <unistd.h>

#include <cstdio>
#include <stdexcept>

namespace sim {

UsbTransport::UsbTransport(EventLoop& loop, Device& device, const std::string& directory)
    : loop_(loop), device_(device) {
    wakeFd_ = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (wakeFd_ < 0) {
        throw std::runtime_error("cannot make an eventfd");
    }
    char serial[9];
    std::snprintf(serial, sizeof serial, "%08X", device.config().serial);
    UsbDeviceProperties properties;
    // The product byte is the model number.
    properties.productId = static_cast<uint16_t>(device.config().model & 0xFF);
    properties.serialNumber = serial;
    endpoint_ = std::make_unique<UsbEndpoint>(directory, serial, properties);
    endpoint_->setOutHandler([this](std::vector<uint8_t> transfer) {
        {
            std::lock_guard lock(mutex_);
            transfers_.push_back(std::move(transfer));
        }
        uint64_t one = 1;
        [[maybe_unused]] ssize_t ignored = write(wakeFd_, &one, sizeof one);
    });
    loop_.watch(wakeFd_, POLLIN, [this](short) { takeTransfers(); });
    device_.attach(this);
}

UsbTransport::~UsbTransport() {
    device_.detach(this);
    endpoint_.reset();
    loop_.unwatch(wakeFd_);
    close(wakeFd_);
}

void UsbTransport::sendRaw(const Bytes& bytes) {
    hostLagging_ =
        !endpoint_->sendIn(bytes, hostLagging_ ? std::chrono::milliseconds(0) : kHostLag);
}

void UsbTransport::hangUp() {
    endpoint_->unplug();
    endpoint_->plugIn();
}

void UsbTransport::takeTransfers() {
    uint64_t count = 0;
    [[maybe_unused]] ssize_t ignored = read(wakeFd_, &count, sizeof count);
    std::deque<Bytes> transfers;
    {
        std::lock_guard lock(mutex_);
        transfers.swap(transfers_);
    }
    for (const Bytes& transfer : transfers) {
        for (uint8_t byte : transfer) {
            if (auto packet = assembler_.feed(byte)) {
                device_.receive(*packet, *this);
            }
        }
    }
}

}  // namespace sim
