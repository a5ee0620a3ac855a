// The handshake answers of emulated USB and HID devices, as a simulator (or anything else that
// binds a socket in the emulated bus directory) may send them.
#include <cstdint>
#include <string>

#include "platform/emulation_wire.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    const lynkor::platform::EmulationAnswer answer = lynkor::platform::parseEmulationAnswer(text);
    // An answer is accepted only with its serial field, which is always the message's tail.
    if (!answer.status.empty() &&
        (text.find(" serial=") == std::string::npos || answer.serialNumber.size() >= size)) {
        __builtin_trap();
    }
    return 0;
}
