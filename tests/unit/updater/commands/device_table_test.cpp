// The device table: its heading by transport, and each row by how the device is reached and
// whether it could be read.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "commands/device_table.h"
#include "unit/updater/recording_display.h"

namespace {

const std::string kUsbHeader =
    "    Device    Module   Router  Model          Firmware Version (Build)    Device Name";
const std::string kAddressHeader =
    "    Device    Module   Router  Model          Firmware Version (Build)   [IP address]       "
    "Device Name";

DiscoveredDevice device(linkType type, uint32_t serial, aErr error) {
    DiscoveredDevice found;
    found.spec.type = type;
    found.spec.serial_num = serial;
    found.spec.module = 0x1C;
    found.spec.router = 0x06;
    found.spec.ip_address = 0x02004D0A;  // 10.77.0.2
    found.build = 4294967295u;
    found.major = 2;
    found.minor = 12;
    found.patch = 300;
    found.modelName = "Spandrel";
    found.deviceName = "Rack 3";
    found.error = error;
    return found;
}

struct TableCase {
    std::string label;
    linkType transport;
    std::vector<DiscoveredDevice> devices;
    std::vector<std::string> lines;
};

TEST(DeviceTable, HeadingAndRowsFollowTheTransportAndEachDevicesState) {
    const std::string usbRow =
        "    0000BEEF  1C       06      Spandrel       2.12.300 (4294967295)         Rack 3";
    const std::string tcpRow =
        "    0000BEEF  1C       06      Spandrel       2.12.300 (4294967295)        [10.77.0.2]    "
        " "
        "   Rack 3";
    const std::string errorRow =
        "    0000BEEF  [Error (25): Is someone else connected to this device?]";
    const std::vector<TableCase> cases = {
        {"nothing found on USB", USB, {}, {"Discovered Devices: (USB)", "    No devices found."}},
        {"nothing found behind a router found nowhere",
         INVALID,
         {},
         {"Discovered Devices: (Unknown)", "    No devices found."}},
        {"USB rows, one that could not be read",
         USB,
         {device(USB, 0xBEEF, aErrNone), device(USB, 0xBEEF, aErrConnection)},
         {"Discovered Devices: (USB)", kUsbHeader, usbRow, errorRow}},
        {"a TCP/IP row is printed whatever its error",
         TCPIP,
         {device(TCPIP, 0xBEEF, aErrTimeout)},
         {"Discovered Devices: (TCPIP)", kAddressHeader, tcpRow}},
        {"behind a USB router found without -t: the address heading, rows without addresses",
         INVALID,
         {device(USB, 0xBEEF, aErrNone), device(USB, 0xBEEF, aErrRead)},
         {"Discovered Devices: (Unknown)", kAddressHeader, usbRow,
          "    0000BEEF  [Error (9): Is someone else connected to this device?]"}},
    };
    for (const TableCase& c : cases) {
        SCOPED_TRACE(c.label);
        RecordingDisplay display;
        printDeviceTable(&display, c.devices, c.transport);
        EXPECT_EQ(display.info, c.lines);
        EXPECT_TRUE(display.errors.empty());
    }
}

}  // namespace
