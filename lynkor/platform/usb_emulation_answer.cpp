#include "platform/usb_emulation_answer.h"

#include <cstdlib>
#include <cstring>
#include <sstream>

namespace lynkor::platform {

std::string readEmulationAnswer(const std::string& answer, UsbDeviceInfo* info) {
    std::istringstream fields(answer);
    std::string status;
    fields >> status;
    bool haveSerial = false;
    std::string field;
    while (fields >> field) {
        const size_t equals = field.find('=');
        if (equals == std::string::npos) {
            return {};
        }
        const std::string key = field.substr(0, equals);
        const std::string value = field.substr(equals + 1);
        const unsigned long number =
            std::strtoul(value.c_str(), nullptr, key == "vid" || key == "pid" ? 16 : 10);
        if (key == "vid") {
            info->vendorId = static_cast<uint16_t>(number);
        } else if (key == "pid") {
            info->productId = static_cast<uint16_t>(number);
        } else if (key == "vendor_interface") {
            info->hasVendorInterface = number != 0;
        } else if (key == "packet_size") {
            info->bulkPacketSize = static_cast<uint16_t>(number);
        } else if (key == "serial") {
            // The serial-number string runs to the end of the message.
            const size_t start = answer.find(" serial=") + std::strlen(" serial=");
            info->serialNumber = answer.substr(start);
            haveSerial = true;
            break;
        }
    }
    return haveSerial ? status : std::string();
}

}  // namespace lynkor::platform
