#pragma once

// What the host sides of the USB and HID emulations share: finding the device sockets in the
// emulated bus directory, the one-message handshake, and the descriptor in its answer. The
// formats are described in usb_emulation.h and hid_emulation.h.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "lynkor/aError.h"

namespace lynkor::platform {

// A handshake answer: "<status> vid=... pid=... ... serial=<text to the end>".
struct EmulationAnswer {
    std::string status;  // "OK" or "BUSY"; empty when the answer is malformed
    uint16_t vendorId = 0;
    uint16_t productId = 0;
    bool vendorInterface = false;
    uint16_t packetSize = 0;
    bool held = false;
    std::string serialNumber;
};

EmulationAnswer parseEmulationAnswer(const std::string& text);

// The paths of the sockets in `directory` whose names end in `suffix`, sorted by name.
std::vector<std::string> emulatedSockets(const std::string& directory, const std::string& suffix);

// A connected SOCK_SEQPACKET socket, or -1 with errno set.
int connectEmulated(const std::string& path);

// Sends a handshake command and returns the device's one-message answer, empty when it did not
// answer within a second.
std::string exchangeHandshake(int fd, const char* command);

// One message from the device (a bulk IN transfer or an input report), waiting at most
// `timeoutMs`: aErrTimeout when nothing came, aErrIO when the device has gone. A message longer
// than `capacity` is cut to it.
aErr receiveEmulated(int fd, uint8_t* buffer, size_t capacity, size_t* received, int timeoutMs);
// One message to the device: aErrTimeout when it takes nothing within `timeoutMs`, aErrIO when
// it has gone.
aErr sendEmulated(int fd, const uint8_t* data, size_t length, int timeoutMs);

}  // namespace lynkor::platform
