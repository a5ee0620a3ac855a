// Devices on USB: our vendor id, a product id 0x00NN and the vendor interface.
#include <algorithm>
#include <vector>

#include "discovery/found_records.h"
#include "platform/usb.h"
#include "stream/usb_identity.h"

namespace lynkor::discovery {

namespace {

constexpr size_t kUsbTableSize = 128;

struct UsbEntry {
    uint32_t serialNumber;
    uint8_t productByte;
};

// One entry per serial number, in first-seen order; a later sighting updates the product byte.
std::vector<UsbEntry> s_usbTable(const std::vector<platform::UsbDeviceInfo>& devices) {
    std::vector<UsbEntry> table;
    for (const platform::UsbDeviceInfo& device : devices) {
        uint32_t serial = 0;
        // A device whose serial number cannot be read cannot be opened by it either.
        if (!isLynkorUsbDevice(device) || !usbSerialNumber(device.serialNumber, &serial) ||
            serial == 0) {
            continue;
        }
        const auto productByte = static_cast<uint8_t>(device.productId & 0xFF);
        auto known = std::find_if(table.begin(), table.end(), [&](const UsbEntry& entry) {
            return entry.serialNumber == serial;
        });
        if (known != table.end()) {
            known->productByte = productByte;
        } else if (table.size() < kUsbTableSize) {
            table.push_back(UsbEntry{serial, productByte});
        }
    }
    return table;
}

}  // namespace

uint8_t enumerateUsbModules(FoundRecords& records) {
    std::vector<platform::UsbDeviceInfo> devices;
    if (platform::usbBackend().listDevices(&devices) != aErrNone) {
        return records.count();
    }
    for (const UsbEntry& entry : s_usbTable(devices)) {
        linkSpec spec{};
        spec.type = USB;
        spec.serial_num = entry.serialNumber;
        spec.model = entry.productByte;
        spec.usb_id = entry.serialNumber;
        if (!records.offer(spec)) {
            break;
        }
    }
    return records.count();
}

}  // namespace lynkor::discovery
