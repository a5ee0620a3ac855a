#pragma once

// Which USB devices are ours, and the serial number each one reports.
#include <cstdint>
#include <string>

#include "platform/usb.h"

namespace lynkor {

constexpr uint16_t kUsbVendorId = 0x3A7C;

// Our vendor id, a product id 0x00NN, and the vendor interface.
bool isLynkorUsbDevice(const platform::UsbDeviceInfo& device);
// "RFICB<decimal>.A" is read as decimal, anything else as hexadecimal; false when the string
// holds no number.
bool usbSerialNumber(const std::string& text, uint32_t* serialNumber);

}  // namespace lynkor
