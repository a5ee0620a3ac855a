// A device on the emulated USB bus: the plain link framing in bulk transfers.
#pragma once

#include <chrono>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "device.h"
#include "event_loop.h"
#include "raw_framing.h"
#include "sim_usb_endpoint.h"

namespace sim {

class UsbTransport : public HostConnection {
public:
    // Serves the device as <directory>/<serial>.usb.
    UsbTransport(EventLoop& loop, Device& device, const std::string& directory);
    ~UsbTransport() override;
    UsbTransport(const UsbTransport&) = delete;
    UsbTransport& operator=(const UsbTransport&) = delete;

    const std::string& path() const { return endpoint_->path(); }

    void sendPacket(const Packet& packet) override { sendRaw(packet.wire()); }
    void sendRaw(const Bytes& bytes) override;
    // Leaves the bus and comes back, as a restarting device does.
    void hangUp() override;
    bool hostPresent() const override { return endpoint_->claimed(); }
    // As though another process held the device: hosts that try to claim it are refused.
    void setBusy(bool busy) { endpoint_->setHeldElsewhere(busy); }

private:
    // How long a host that has stopped reading may hold up the event loop, and so every other
    // device, before what it does not take is dropped, as a full endpoint would.
    static constexpr auto kHostLag = std::chrono::milliseconds(50);

    // Runs on the event loop: the transfers the endpoint's thread has handed over.
    void takeTransfers();

    EventLoop& loop_;
    Device& device_;
    RawPacketAssembler assembler_;
    // Set when the host last failed to take a transfer in time: further ones are not waited
    // for until one goes through again.
    bool hostLagging_ = false;
    // Wakes the event loop when the endpoint's thread has queued a transfer.
    int wakeFd_ = -1;
    std::mutex mutex_;
    std::deque<Bytes> transfers_;
    // Last, so that its thread is stopped before the rest goes.
    std::unique_ptr<UsbEndpoint> endpoint_;
};

}  // namespace sim
