// A device on a serial line with the packetized framing, served on a pseudo-terminal that the
// host opens like any serial port.
#pragma once

#include <chrono>
#include <memory>
#include <string>

#include "device.h"
#include "fd_channel.h"
#include "pseudo_terminal.h"
#include "serial_framing.h"

namespace sim {

class PtyTransport : public HostConnection {
public:
    PtyTransport(EventLoop& loop, Device& device);
    ~PtyTransport() override;
    PtyTransport(const PtyTransport&) = delete;
    PtyTransport& operator=(const PtyTransport&) = delete;

    // The path the host opens, "/dev/pts/N".
    const std::string& path() const { return terminal_.path(); }

    void sendPacket(const Packet& packet) override;
    void sendRaw(const Bytes& bytes) override;
    // A serial line cannot be hung up from the device's end; the line stays.
    void hangUp() override {}
    // A line has no connection state: a host counts as there while it has been heard lately,
    // so that heartbeats do not pile up unread in the line while nobody has it open.
    bool hostPresent() const override;

private:
    static constexpr std::chrono::seconds kHostSilenceLimit{3};

    void onBytes(const uint8_t* bytes, size_t count);

    Device& device_;
    PseudoTerminal terminal_;
    std::unique_ptr<FdChannel> channel_;
    SerialFrameDecoder decoder_;
    std::chrono::steady_clock::time_point lastHeard_{};
};

}  // namespace sim
