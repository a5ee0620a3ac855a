// A device's answer to the multicast query: 16 bytes, little-endian fields.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

#include "lynkor/aLinkSpec.h"

namespace lynkor::discovery {

inline constexpr size_t kNetworkAnswerSize = 16;

// The record of the device that sent the datagram from sender (network byte order); nothing
// for a datagram of any other size.
std::optional<linkSpec> readNetworkAnswer(std::span<const uint8_t> datagram, uint32_t sender);

}  // namespace lynkor::discovery
