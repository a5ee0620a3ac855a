#pragma once

#include <vector>

#include "commands/discovered_device.h"
#include "lynkor/aLinkSpec.h"

class UpdaterDisplayInterface;

// Prints the discovered devices under the transport they were looked for on (INVALID:
// "Unknown"). Every transport but USB has an address column; a TCP/IP device's row is printed
// whatever its error, another device that could not be read shows its error instead.
void printDeviceTable(UpdaterDisplayInterface* display,
                      const std::vector<DiscoveredDevice>& devices, linkType transport);
