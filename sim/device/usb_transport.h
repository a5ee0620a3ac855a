// A device on the emulated USB bus: the plain link framing in bulk transfers.
#pragma once

#include <chrono>
#include <string>

#include "device.h"
#include "event_loop.h"
#include "loop_endpoint.h"
#include "raw_framing.h"

namespace sim {

class UsbTransport : public HostConnection {
public:
    // Serves the device as <directory>/<serial>.usb, under the serial number it shows now.
    UsbTransport(EventLoop& loop, Device& device, const std::string& directory);
    ~UsbTransport() override;
    UsbTransport(const UsbTransport&) = delete;
    UsbTransport& operator=(const UsbTransport&) = delete;

    const std::string& path() const { return endpoint_.endpoint().path(); }

    void sendPacket(const Packet& packet) override { sendRaw(packet.wire()); }
    void sendRaw(const Bytes& bytes) override;
    // Leaves the bus and comes back, as a restarting device does.
    void hangUp() override;
    bool hostPresent() const override { return endpoint_.endpoint().claimed(); }
    // As though another process held the device: hosts that try to claim it are refused.
    void setBusy(bool busy) {
        busy_ = busy;
        endpoint_.endpoint().setHeldElsewhere(busy);
    }
    bool busy() const { return busy_; }

private:
    // How long a host that has stopped reading may hold up the event loop, and so every other
    // device, before what it does not take is dropped, as a full endpoint would.
    static constexpr auto kHostLag = std::chrono::milliseconds(50);

    void onTransfer(const Bytes& transfer);

    Device& device_;
    RawPacketAssembler assembler_;
    // Set when the host last failed to take a transfer in time: further ones are not waited
    // for until one goes through again.
    bool hostLagging_ = false;
    bool busy_ = false;
    LoopEndpoint endpoint_;
};

}  // namespace sim
