// The simulator's command line.
#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <vector>

#include "device.h"

namespace sim {

struct Options {
    std::vector<DeviceConfig> devices;
    std::chrono::milliseconds heartbeatPeriod{1000};
    bool answerQueries = false;
    // Where USB devices appear: --usb-dir, else $LYNKOR_USB_EMULATION.
    std::string usbDirectory;
};

extern const char* const kUsage;

// Empty, with the reason in error, when the command line is wrong.
std::optional<Options> parseOptions(const std::vector<std::string>& args, std::string& error);

}  // namespace sim
