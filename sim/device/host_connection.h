// One host reaching a simulated device over one transport (a TCP connection, the pty line, an
// emulated USB endpoint). The transport frames packets its own way; the device does not care.
#pragma once

#include <string>

#include "packet.h"

namespace sim {

class HostConnection {
public:
    virtual ~HostConnection() = default;
    // Sends one packet in the transport's framing.
    virtual void sendPacket(const Packet& packet) = 0;
    // Sends bytes exactly as given, outside any framing (to test a host against line noise).
    virtual void sendRaw(const Bytes& bytes) = 0;
    // Ends the connection as a device that goes away would.
    virtual void hangUp() = 0;
    // Whether a host is there to answer heartbeats.
    virtual bool hostPresent() const = 0;
};

}  // namespace sim
