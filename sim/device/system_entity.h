// The system entity (command 3, index 0) every simulated device has: identity, version, name,
// power readings and the chip identifier, as discovery, update and recovery read them.
#pragma once

#include "device.h"

namespace sim {

// Option codes of the system entity that other parts of the simulator look at.
constexpr uint8_t kSystemRouter = 2;
constexpr uint8_t kSystemRouteToMe = 20;
constexpr uint8_t kSystemName = 32;
constexpr uint8_t kSystemBuild = 43;

// Defines the entity in the device's table; `routerAddress` is the module address of the router
// the device sits behind, or its own.
void installSystemEntity(Device& device, uint8_t routerAddress);

}  // namespace sim
