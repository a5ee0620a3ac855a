#pragma once

// An emulated device's answer to QUERY or CLAIM (the wire is described in usb_emulation.h):
// a status word, then the descriptor's fields, the serial-number string last.
#include <string>

#include "platform/usb.h"

namespace lynkor::platform {

// Fills `info` from the descriptor and returns the status word; empty when the answer is
// malformed (a field without "=", or no serial-number string).
std::string readEmulationAnswer(const std::string& answer, UsbDeviceInfo* info);

}  // namespace lynkor::platform
