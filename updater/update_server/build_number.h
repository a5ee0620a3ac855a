#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

// Reads a build number as the server and the command line write it: decimal digits after
// optional leading white space; what follows the digits (a "\r" of a server that ends its lines
// with CR LF) is ignored. No digits, a sign, or a value above 32 bits gives nothing.
std::optional<uint32_t> parseBuildNumber(std::string_view text);
