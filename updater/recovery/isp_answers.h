#pragma once

// Readers for what the serial boot loader answers: return-code lines and number lines. Each
// takes a whole line as received, "\r\n" included, and accepts it only when all of it reads.
#include <cstdint>
#include <optional>
#include <string_view>

inline constexpr uint32_t kIspSuccess = 0;

// The number a line carries: decimal, hexadecimal after "0x", octal after a leading 0, with
// nothing else before its "\r\n". Nothing for an unterminated line, a sign, a stray character
// or a value beyond 32 bits.
std::optional<uint32_t> parseIspNumber(std::string_view line);

// The name of a return code given as text without its line end ("Unknown error" for anything
// that is not one of the boot loader's codes).
const char* ispReturnCodeName(std::string_view codeText);

// A line without the line-end characters at its end, for messages.
std::string_view ispLineText(std::string_view line);
