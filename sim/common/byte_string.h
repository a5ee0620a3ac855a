// Byte strings as simulators handle them: their hexadecimal text (as the control sockets show and
// take them), big-endian fields and a short digest.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace sim {

using Bytes = std::vector<uint8_t>;

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
