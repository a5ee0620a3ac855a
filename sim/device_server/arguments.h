// Command-line values shared by the device server programs.
#pragma once

#include <arpa/inet.h>

#include <cstdint>
#include <cstdlib>

namespace server_programs {

// A whole unsigned 32-bit number in the given base.
inline bool parseNumber(const char* text, int base, uint32_t& value) {
    char* end = nullptr;
    const unsigned long number = std::strtoul(text, &end, base);
    if (*text == '\0' || *text == '-' || *end != '\0' || number > UINT32_MAX) {
        return false;
    }
    value = static_cast<uint32_t>(number);
    return true;
}

// A dotted IPv4 address, in network byte order.
inline bool parseAddress(const char* text, uint32_t& address) {
    in_addr parsed{};
    if (inet_pton(AF_INET, text, &parsed) != 1) {
        return false;
    }
    address = parsed.s_addr;
    return true;
}

}  // namespace server_programs
