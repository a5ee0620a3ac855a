#pragma once

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

// Decodes standard Base64 ("A-Z a-z 0-9 + /", "=" padding). Gives nothing when the length is not
// a multiple of 4, when a character lies outside the alphabet, or when "=" appears anywhere but
// as the one or two last characters: a bird file must never be built from bytes we had to guess.
std::optional<std::vector<uint8_t>> base64Decode(std::string_view text);
