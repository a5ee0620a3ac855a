#pragma once

// The line encoding of the boot loader's write command: a length character, then four
// characters for every three bytes, each six-bit group sent as its value + 32, with 0 sent as
// '`' so that a line never holds a space.
#include <cstdint>
#include <span>
#include <string>

// One line, without its line end, for at most 63 bytes (the length character's range).
std::string uuencodeLine(std::span<const uint8_t> bytes);
