#pragma once

#include <cstdint>
#include <string_view>

// The readings of option parameters. None of them reports an error itself: the parser decides
// what a refused value means for the command line.

// A serial number without its "0x" prefix: hexadecimal digits only, saturating at FFFFFFFF;
// anything else (and the empty text) is 0, which no device has.
uint32_t parseSerialDigits(std::string_view text);

// Decimal digits only, saturating at FFFFFFFF; anything else (and the empty text) is 0.
uint32_t parseDecimalDigits(std::string_view text);

// 1 USB, 2 TCP/IP, 255 RECOVER, 0 when the text names none of them.
int parseTransport(std::string_view text);

struct DebugMaskValue {
    uint32_t value;
    // What the number did not use; empty when the whole text was a number.
    std::string_view leftover;
};

// Base 16 after a "0x" or "0X" prefix, else base 10; saturates at FFFFFFFF.
DebugMaskValue parseDebugMask(std::string_view text);
