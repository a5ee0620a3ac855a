// The machine's IPv4 interface addresses.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

namespace lynkor::platform {

// Addresses (network byte order) of the interfaces that are up, loopback included; nothing
// when the system cannot list them.
std::optional<std::vector<uint32_t>> ipv4InterfaceAddresses();

}  // namespace lynkor::platform
