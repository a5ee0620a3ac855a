#pragma once

#include "lynkor/Link.h"

// The link configuration every module of the updater gets before it connects: links go
// straight to the device, never shared through a device server.
inline Norvane::Lynkor::TethraConfig updaterLinkConfig() {
    Norvane::Lynkor::TethraConfig config;
    config.enabled = false;
    config.fallback = false;
    config.serverFlag = true;
    config.assignedPort = 0;
    config.networkInterface = 0x0100007F;
    return config;
}
