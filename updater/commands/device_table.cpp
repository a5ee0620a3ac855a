#include "commands/device_table.h"

#include <cstdio>
#include <string>

#include "display/output.h"

namespace {

const char* s_transportName(linkType transport) {
    switch (transport) {
        case USB:
            return "USB";
        case TCPIP:
            return "TCPIP";
        default:
            return "Unknown";
    }
}

// First octet first: the address is kept in network byte order.
std::string s_addressText(uint32_t address) {
    char text[sizeof "[255.255.255.255]"];
    std::snprintf(text, sizeof text, "[%u.%u.%u.%u]", address & 0xFF, (address >> 8) & 0xFF,
                  (address >> 16) & 0xFF, address >> 24);
    return text;
}

void s_printRow(UpdaterDisplayInterface* display, const DiscoveredDevice& device) {
    const linkSpec& spec = device.spec;
    if (spec.type == TCPIP) {
        displayPrintf(display, DISPLAY_INFO,
                      "    %08X  %02X       %02X      %-12s %3d.%d.%u (%10u)        %-17s  %s",
                      spec.serial_num, spec.module, spec.router, device.modelName.c_str(),
                      device.major, device.minor, device.patch, device.build,
                      s_addressText(spec.ip_address).c_str(), device.deviceName.c_str());
    } else if (device.error != aErrNone) {
        displayPrintf(display, DISPLAY_INFO,
                      "    %08X  [Error (%d): Is someone else connected to this device?]",
                      spec.serial_num, device.error);
    } else {
        displayPrintf(display, DISPLAY_INFO,
                      "    %08X  %02X       %02X      %-12s %3d.%d.%u (%10u)         %s",
                      spec.serial_num, spec.module, spec.router, device.modelName.c_str(),
                      device.major, device.minor, device.patch, device.build,
                      device.deviceName.c_str());
    }
}

}  // namespace

void printDeviceTable(UpdaterDisplayInterface* display,
                      const std::vector<DiscoveredDevice>& devices, linkType transport) {
    displayPrintf(display, DISPLAY_INFO, "Discovered Devices: (%s)", s_transportName(transport));
    if (devices.empty()) {
        displayPrintf(display, DISPLAY_INFO, "    No devices found.");
        return;
    }
    displayPrintf(display, DISPLAY_INFO, "%s",
                  transport == USB ? "    Device    Module   Router  Model          Firmware "
                                     "Version (Build)    Device Name"
                                   : "    Device    Module   Router  Model          Firmware "
                                     "Version (Build)   [IP address]       Device Name");
    for (const DiscoveredDevice& device : devices) {
        s_printRow(display, device);
    }
}
