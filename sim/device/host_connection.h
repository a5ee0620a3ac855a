// One host reaching a simulated device over one transport (a TCP connection, the pty line, an
// emulated USB endpoint). The transport frames packets its own way; the device does not care.
#pragma once

#include <cstdint>
#include <string>

#include "packet.h"

namespace sim {

class HostConnection {
public:
    HostConnection() : id_(++lastId_) {}
    virtual ~HostConnection() = default;
    HostConnection(const HostConnection&) = delete;
    HostConnection& operator=(const HostConnection&) = delete;

    // Never reused, so that an answer sent late finds out whether its host is still there.
    uint64_t id() const { return id_; }

    // Sends one packet in the transport's framing.
    virtual void sendPacket(const Packet& packet) = 0;
    // Sends bytes exactly as given, outside any framing (to test a host against line noise).
    virtual void sendRaw(const Bytes& bytes) = 0;
    // Ends the connection as a device that goes away would.
    virtual void hangUp() = 0;
    // Whether a host is there to answer heartbeats.
    virtual bool hostPresent() const = 0;

private:
    // Connections are made on the event loop's thread only.
    inline static uint64_t lastId_ = 0;
    const uint64_t id_;
};

}  // namespace sim
