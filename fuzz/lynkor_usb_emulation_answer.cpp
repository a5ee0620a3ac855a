// The USB emulation's device answers: any bytes a socket delivers are read without fault, and
// an accepted answer's serial-number string is the end of the message.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "platform/usb_emulation_answer.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string answer(reinterpret_cast<const char*>(data), size);
    lynkor::platform::UsbDeviceInfo info;
    const std::string status = lynkor::platform::readEmulationAnswer(answer, &info);
    if (status.empty()) {
        return 0;
    }
    if (answer.find(status) == std::string::npos || info.serialNumber.size() > answer.size() ||
        answer.compare(answer.size() - info.serialNumber.size(), std::string::npos,
                       info.serialNumber) != 0) {
        std::abort();
    }
    return 0;
}
