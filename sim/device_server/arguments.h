// Command-line values shared by the device server programs.
#pragma once

#include <arpa/inet.h>

#include <cstdint>

namespace server_programs {

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
