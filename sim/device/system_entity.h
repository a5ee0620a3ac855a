// The system entity (command 3, index 0) every simulated device has: identity, version, name,
// power readings and the chip identifier, as discovery, update and recovery read them.
#pragma once

#include "device.h"

namespace sim {

// Option codes of the system entity that other parts of the simulator look at.
constexpr uint8_t kSystemRouter = 2;
constexpr uint8_t kSystemVersion = 7;
constexpr uint8_t kSystemSerial = 9;
constexpr uint8_t kSystemRouteToMe = 20;
constexpr uint8_t kSystemName = 32;
constexpr uint8_t kSystemBuild = 43;
constexpr uint8_t kSystemProtocolFeatures = 45;

// Protocol features: the device takes packets pooled, several back to back in one write.
constexpr uint32_t kFeaturePooledPackets = 0x80000000u;

// Defines the entity in the device's table; `routerAddress` is the module address of the router
// the device sits behind, or its own.
void installSystemEntity(Device& device, uint8_t routerAddress);

// A number the system entity holds (serial number, version, build, protocol features): what every
// transport and query shows of the device, so a restart changes it here.
uint32_t systemNumber(Device& device, uint8_t option);
void setSystemNumber(Device& device, uint8_t option, uint32_t value);

}  // namespace sim
