// Commands that every simulated device answers, whatever its model.
#pragma once

#include "device.h"

namespace sim {

// cmdDEBUG: the device echoes the request's data bytes back.
constexpr uint8_t kCmdDebug = 23;
// The system entity: a get of its model (option 8) is answered with the model number.
constexpr uint8_t kCmdSystem = 3;
constexpr uint8_t kSystemModel = 8;
constexpr uint8_t kUeiGet = 0x40;
constexpr uint8_t kUeiRequest = 0x20;

void installStandardCommands(Device& device);

}  // namespace sim
