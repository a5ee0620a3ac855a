#pragma once

#include <cstdint>
#include <vector>

#include "commands/discovered_device.h"
#include "lynkor/aLinkSpec.h"

class UpdaterApp;

// Whether the router still routes the devices behind it to this host once the scan is done.
enum class RouteAfterScan {
    // The listing: the router is left as it was found.
    Cleared,
    // An update through the router follows and relies on the route; it is cleared anyway when
    // the scan found no device.
    KeptForTransfer,
};

// Finds the router with this serial number (on `transport`, or with INVALID on USB and then
// TCP/IP), makes it route to this host and scans its I2C bus: every even bus address from 2 to
// 252 but its own, until the router leaves three probes in a row unanswered. Each device that
// answers is connected through the router and read: serial number, build, version, module and
// router addresses, model. The devices come in bus order; a router that cannot be found gives
// none without a message, one that cannot be reached none after its error.
std::vector<DiscoveredDevice> discoverThroughRouter(UpdaterApp& app, uint32_t routerSerialNumber,
                                                    linkType transport, RouteAfterScan route);
