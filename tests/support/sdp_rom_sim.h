#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "support/control_client.h"
#include "support/process.h"

namespace testing_support {

// A running sdp-rom-sim and its control socket. The simulator stops when this is destroyed.
class SdpRomSim {
public:
    // Arguments after the program name, e.g. {"--hid", "--usb-dir", dir, "--pty"}.
    explicit SdpRomSim(const std::vector<std::string>& args);
    ~SdpRomSim();
    SdpRomSim(const SdpRomSim&) = delete;
    SdpRomSim& operator=(const SdpRomSim&) = delete;

    // The pseudo-terminal the ROM listens on; throws when it was not started with --pty.
    const std::string& ptyPath() const;

    // Sends one control request; returns the answer lines, "ok" or "error ..." last.
    std::vector<std::string> control(const std::string& request);
    // The ROM's events, oldest first ("error_status", "write_file 20000000 1025", ...).
    std::vector<std::string> history();
    std::vector<uint8_t> memory(uint32_t address, size_t count);
    // The address of the "jumped <address>" line, or empty when none came in time.
    std::string waitForJump(std::chrono::milliseconds timeout);

private:
    std::unique_ptr<ChildProcess> process_;
    std::string ptyPath_;
    std::unique_ptr<ControlClient> control_;
};

}  // namespace testing_support
