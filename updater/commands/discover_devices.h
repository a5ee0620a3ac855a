#pragma once

#include <vector>

#include "commands/discovered_device.h"
#include "lynkor/aLinkSpec.h"

class UpdaterApp;

// Finds the devices on USB or TCP/IP and reads each one in turn: build, version, module and
// router addresses, and the name where the firmware has one. A device that cannot be reached or
// read keeps the first error in its record; the others are read all the same.
std::vector<DiscoveredDevice> discoverDevices(UpdaterApp& app, linkType transport);
