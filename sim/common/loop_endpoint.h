// An emulated USB or HID device whose host transfers are handled on a simulator's event loop:
// the endpoint's own thread hands each one over, so the simulated device needs no locks.
#pragma once

#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

#include "byte_string.h"
#include "event_loop.h"
#include "sim_usb_endpoint.h"

namespace sim {

class LoopEndpoint {
public:
    using TransferHandler = std::function<void(const Bytes& transfer)>;

    // Serves the device as <directory>/<name><suffix>; throws std::runtime_error when it cannot.
    LoopEndpoint(EventLoop& loop, const std::string& directory, const std::string& name,
                 const UsbDeviceProperties& properties, TransferHandler onTransfer);
    ~LoopEndpoint();
    LoopEndpoint(const LoopEndpoint&) = delete;
    LoopEndpoint& operator=(const LoopEndpoint&) = delete;

    UsbEndpoint& endpoint() { return *endpoint_; }
    const UsbEndpoint& endpoint() const { return *endpoint_; }

private:
    // Runs on the event loop: the transfers the endpoint's thread has handed over.
    void takeTransfers();

    EventLoop& loop_;
    TransferHandler onTransfer_;
    // Wakes the event loop when the endpoint's thread has queued a transfer.
    int wakeFd_ = -1;
    std::mutex mutex_;
    std::deque<Bytes> transfers_;
    // Last, so that its thread is stopped before the rest goes.
    std::unique_ptr<UsbEndpoint> endpoint_;
};

}  // namespace sim
