#pragma once

// Which backends the USB and HID seams use: read once per process, so no device call depends on
// the environment of the moment and tests can switch buses without touching the environment.
#include <string>

namespace lynkor::platform {

constexpr const char* kUsbEmulationVariable = "LYNKOR_USB_EMULATION";

// The emulated bus directory in force, empty when the real backends run. The first call takes
// it from LYNKOR_USB_EMULATION unless aEmulation_Select came first.
std::string emulationDirectory();

}  // namespace lynkor::platform
