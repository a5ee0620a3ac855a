// The handshake answers of emulated USB and HID devices, as a simulator (or anything else that
// binds a socket in the emulated bus directory) may send them: any bytes are read without fault,
// and an accepted answer starts with its status word and ends with its serial-number string.
#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/emulation_wire.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    const lynkor::platform::EmulationAnswer answer = lynkor::platform::parseEmulationAnswer(text);
    if (answer.status.empty()) {
        return 0;
    }
    const std::string tail = " serial=" + answer.serialNumber;
    const size_t statusAt = text.find(answer.status);
    if (statusAt == std::string::npos || text.find_first_not_of(" \t\n\v\f\r") != statusAt ||
        tail.size() > size || text.compare(size - tail.size(), std::string::npos, tail) != 0) {
        __builtin_trap();
    }
    return 0;
}
