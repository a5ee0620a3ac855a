#pragma once

// The serial rates the serial streams offer, by rate index; the link accepts the same rates.
#include <array>
#include <cstdint>

#include "lynkor/aStream.h"

namespace lynkor {

inline constexpr std::array<uint32_t, aSTREAM_BAUD_INDEX_COUNT> kSerialBaudRates = {
    2400, 4800, 9600, 19200, 38400, 57600, 115200, 230400};

}  // namespace lynkor
