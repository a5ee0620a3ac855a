#pragma once

#include <cstdint>
#include <string>

#include "lynkor/aError.h"
#include "lynkor/aLinkSpec.h"

// One device that discovery found, with what could be read from it.
struct DiscoveredDevice {
    // How to reach it; a device behind a router carries the router's address fields.
    linkSpec spec{};
    // The bus address it answered at behind its router; 0 for a device reached directly.
    uint16_t i2cAddress = 0;
    // 0 when it could not be read.
    uint32_t build = 0;
    uint8_t major = 0;
    uint8_t minor = 0;
    uint32_t patch = 0;
    std::string modelName;
    // Empty when the firmware has no name to give or it was not read.
    std::string deviceName;
    // The first failure while reaching or reading it.
    aErr error = aErrNone;
};
