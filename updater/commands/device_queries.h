#pragma once

// What discovery, and the update through a router, read from a connected device.

#include <cstdint>

#include "commands/discovered_device.h"
#include "lynkor/Module.h"

// Where the module object of a device whose address is not known yet starts; in networking mode
// it learns the device's own address once connected.
constexpr uint8_t kDiscoveryStartAddress = 2;

// The firmware build the device runs (cmdMODULE 0xFF); 0 when it cannot be read.
uint32_t readBuildNumber(Norvane::Lynkor::Module& module);

// Fills the device's firmware version, and its linkSpec's module and router addresses as the device
// itself answers them. Stops at the first read that fails and answers its error.
aErr readDeviceInfo(Norvane::Lynkor::Module& module, DiscoveredDevice& device);

// Reads the device name from firmware that has one (2.10.4 on; older firmware keeps it empty
// and answers aErrNone). Needs the version readDeviceInfo filled in.
aErr readDeviceName(Norvane::Lynkor::Module& module, DiscoveredDevice& device);
