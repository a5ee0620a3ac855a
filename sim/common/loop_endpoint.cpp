#include "loop_endpoint.h"

#include <sys/eventfd.h>
#include <unistd.h>

#include <stdexcept>

namespace sim {

LoopEndpoint::LoopEndpoint(EventLoop& loop, const std::string& directory, const std::string& name,
                           const UsbDeviceProperties& properties, TransferHandler onTransfer)
    : loop_(loop), onTransfer_(std::move(onTransfer)) {
    wakeFd_ = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (wakeFd_ < 0) {
        throw std::runtime_error("cannot make an eventfd");
    }
    try {
        endpoint_ = std::make_unique<UsbEndpoint>(directory, name, properties);
    } catch (...) {
        close(wakeFd_);
        throw;
    }
    endpoint_->setOutHandler([this](std::vector<uint8_t> transfer) {
        {
            std::lock_guard lock(mutex_);
            transfers_.push_back(std::move(transfer));
        }
        uint64_t one = 1;
        [[maybe_unused]] ssize_t ignored = write(wakeFd_, &one, sizeof one);
    });
    loop_.watch(wakeFd_, POLLIN, [this](short) { takeTransfers(); });
}

LoopEndpoint::~LoopEndpoint() {
    endpoint_.reset();
    loop_.unwatch(wakeFd_);
    close(wakeFd_);
}

void LoopEndpoint::takeTransfers() {
    uint64_t count = 0;
    [[maybe_unused]] ssize_t ignored = read(wakeFd_, &count, sizeof count);
    std::deque<Bytes> transfers;
    {
        std::lock_guard lock(mutex_);
        transfers.swap(transfers_);
    }
    for (const Bytes& transfer : transfers) {
        onTransfer_(transfer);
    }
}

}  // namespace sim
