#pragma once

// Values as the simulators' command lines and control sockets take them.
#include <array>
#include <cstdint>
#include <optional>
#include <string>

namespace sim {

// The base that reads decimal, or hexadecimal after "0x".
constexpr int kDecimalOrHex = 0;

// A whole unsigned number of at most `maximum`, in `base` (2 to 36, or kDecimalOrHex); nothing
// for empty text, a sign, a space or anything after the digits.
std::optional<uint32_t> parseUnsigned(const std::string& text, int base = kDecimalOrHex,
                                      uint32_t maximum = UINT32_MAX);

// The same, stored in `value` when the text is such a number (else `value` stays as it was);
// true when stored.
bool readUnsigned(const std::string& text, int base, uint32_t& value);

// Four such numbers separated by commas, as a chip identifier is written.
std::optional<std::array<uint32_t, 4>> parseWords(const std::string& text, int base);

// Where the emulated USB and HID devices appear: `given`, else $LYNKOR_USB_EMULATION, else empty.
std::string emulatedBusDirectory(const std::string& given);

}  // namespace sim
