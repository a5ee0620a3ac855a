// Commands that every simulated device answers, whatever its model.
#pragma once

#include "device.h"

namespace sim {

// cmdDEBUG: the device echoes the request's data bytes back.
constexpr uint8_t kCmdDebug = 23;

void installStandardCommands(Device& device);

}  // namespace sim
