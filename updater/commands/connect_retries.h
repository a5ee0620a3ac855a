#pragma once

// Reaching a device that is coming up: one whose loader restarted it, or a liveloader that a
// boot ROM has just started. It may take a while to show up on the bus, so the connection is
// tried again and again, each attempt in the way the caller knows the device is reached.
#include <cstdint>
#include <functional>

#include "lynkor/Module.h"

// How many attempts, and how far apart.
struct ConnectRetries {
    int attempts = 15;
    uint32_t pauseMs = 1000;
};

// One try at connecting the module; aErrNone when it connected.
using ConnectAttempt = std::function<aErr(Norvane::Lynkor::Module&)>;

// Tries `attempt` until the module is connected or the attempts run out, disconnecting the
// module after each failure and pausing between attempts (not after the last). Before every
// third attempt it writes the diagnostic "Failed enumeration after 3 tries, refreshing libusb
// context.\n". True once connected.
bool connectWithRetries(Norvane::Lynkor::Module& module, const ConnectAttempt& attempt,
                        const ConnectRetries& retries = {});
