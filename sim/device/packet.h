// One link packet as the simulated device sees it: a module address and up to 28 data bytes.
// The simulator keeps its own small packet code so that a fault in the library's link engine
// cannot hide behind it.
#pragma once

#include <cstdint>

#include "byte_string.h"

namespace sim {

constexpr size_t kMaxPacketData = 28;
// A packet to this address asks the device for an empty packet from its own module address.
constexpr uint8_t kQueryAddress = 0xAD;
// A packet to this address switches the route on (1) or off (0); a device ignores it.
constexpr uint8_t kRouteAddress = 0xAF;

struct Packet {
    uint8_t address = 0;
    Bytes data;

    // Address, length and data bytes, as the packet travels on the link.
    Bytes wire() const;
};

}  // namespace sim
