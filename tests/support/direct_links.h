#pragma once

// For the tests that link the library: reaching a device directly, never through a device
// server, and the linkSpec of a device that lynkor-sim serves.
#include <arpa/inet.h>
#include <netinet/in.h>

#include <cstdint>
#include <string>

#include "lynkor/Link.h"
#include "lynkor/aLinkSpec.h"
#include "support/device_sim.h"

namespace testing_support {

// Sharing through a device server is off: the link goes straight to the device.
inline Norvane::Lynkor::TethraConfig directConfig() {
    Norvane::Lynkor::TethraConfig config;
    config.enabled = false;
    config.fallback = false;
    return config;
}

// A linkSpec that reaches the simulated device `serial` (its serial number `number`) over "tcp", at
// its loopback port, or over "usb".
inline linkSpec simLinkSpec(DeviceSim& sim, const std::string& transport, const std::string& serial,
                            uint32_t number) {
    linkSpec spec{};
    spec.serial_num = number;
    if (transport == "tcp") {
        spec.type = TCPIP;
        spec.ip_address = htonl(INADDR_LOOPBACK);
        spec.ip_port = static_cast<uint32_t>(sim.tcpPort(serial));
    } else {
        spec.type = USB;
    }
    return spec;
}

}  // namespace testing_support
