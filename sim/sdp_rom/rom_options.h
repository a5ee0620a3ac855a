// The SDP ROM simulator's command line.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "sdp_rom.h"

namespace sim {

struct RomOptions {
    bool hid = false;
    bool pty = false;
    // Where the HID device appears: --usb-dir, else $LYNKOR_USB_EMULATION.
    std::string usbDirectory;
    RomBehaviour behaviour;
    std::string afterJump;
};

extern const char* const kRomUsage;

// Empty, with the reason in error, when the command line is wrong.
std::optional<RomOptions> parseRomOptions(const std::vector<std::string>& args, std::string& error);

}  // namespace sim
