// One link packet as the simulated device sees it: a module address and up to 28 data bytes.
// The simulator keeps its own small packet code so that a fault in the library's link engine
// cannot hide behind it.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace sim {

using Bytes = std::vector<uint8_t>;

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

std::string toHex(const Bytes& bytes);
// Appends the low `count` bytes of `value`, most significant first.
void appendBigEndian(Bytes& bytes, uint32_t value, size_t count);
// Reads `count` bytes (at most 4) from `bytes`, most significant first.
uint32_t readBigEndian(const uint8_t* bytes, size_t count);
// A short fingerprint of a byte string for comparing what was stored: FNV-1a, 32 bits.
uint32_t digestOf(const Bytes& bytes);
// Reads pairs of hexadecimal digits; spaces between bytes are allowed.
bool fromHex(std::string_view text, Bytes& bytes);

}  // namespace sim
