#include "stream/usb_identity.h"

#include <cerrno>
#include <cstdlib>

namespace lynkor {
namespace {

constexpr const char* kDecimalPrefix = "RFICB";
constexpr const char* kDecimalSuffix = ".A";

bool s_parse(const std::string& digits, int base, uint32_t* value) {
    if (digits.empty() || digits[0] == '-' || digits[0] == '+' || digits[0] == ' ') {
        return false;
    }
    errno = 0;
    char* end = nullptr;
    unsigned long long number = std::strtoull(digits.c_str(), &end, base);
    if (errno != 0 || *end != '\0' || number > UINT32_MAX) {
        return false;
    }
    *value = static_cast<uint32_t>(number);
    return true;
}

}  // namespace

bool isLynkorUsbDevice(const platform::UsbDeviceInfo& device) {
    return device.vendorId == kUsbVendorId && (device.productId & 0xFF00) == 0 &&
           device.hasVendorInterface;
}

bool usbSerialNumber(const std::string& text, uint32_t* serialNumber) {
    const std::string prefix = kDecimalPrefix;
    const std::string suffix = kDecimalSuffix;
    if (text.size() > prefix.size() + suffix.size() && text.rfind(prefix, 0) == 0 &&
        text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0) {
        return s_parse(text.substr(prefix.size(), text.size() - prefix.size() - suffix.size()), 10,
                       serialNumber);
    }
    return s_parse(text, 16, serialNumber);
}

}  // namespace lynkor
