// The plain link framing used over TCP: address, length, data, with nothing around it.
#pragma once

#include <optional>

#include "packet.h"

namespace sim {

// Collects a host's bytes into packets. A byte that cannot start or continue a packet (a zero
// address, a length above 28) drops what was collected, so that garbage cannot wedge the device.
class RawPacketAssembler {
public:
    std::optional<Packet> feed(uint8_t byte);
    size_t droppedBytes() const { return dropped_; }

private:
    Bytes pending_;
    size_t dropped_ = 0;
};

}  // namespace sim
