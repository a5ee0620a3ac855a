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

namespace lynkor::platform {

// The broadcast address of the interface that has this address, or nothing when there is no
// such interface or it cannot broadcast.
std::optional<uint32_t> ipv4BroadcastAddress(uint32_t interfaceAddress);

}  // namespace lynkor::platform
