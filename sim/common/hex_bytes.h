// Byte strings and their hexadecimal text, as the simulators' control sockets show and take them.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace sim {

using Bytes = std::vector<uint8_t>;

std::string toHex(const Bytes& bytes);
// Reads pairs of hexadecimal digits; spaces between bytes are allowed.
bool fromHex(std::string_view text, Bytes& bytes);

}  // namespace sim
