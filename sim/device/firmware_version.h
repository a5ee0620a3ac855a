// Firmware versions as the simulator's options and control requests write them.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace sim {

// "2.10.4" packs as 0x2F020A04 (0x2F, major, minor, patch); a plain number, decimal or
// hexadecimal after 0x, is taken as packed already.
std::optional<uint32_t> parseFirmwareVersion(const std::string& text);

// The dotted form of a packed version of that layout, else the packed number in hexadecimal.
std::string firmwareVersionText(uint32_t packed);

}  // namespace sim
