#pragma once

// The serial download driver: the ROM commands that load an image into memory and start it,
// over one opened transport.
#include <cstdint>
#include <span>

#include "recovery/sdp_loader_interface.h"

// Results of SdpDriver::loadFile.
enum class LoadFileResult : int {
    kSuccess = 0,
    kNoAcknowledge = 2,  // the ROM did not answer the error-status command
    kAborted = 3,        // the ROM spoke during the data phase, or a report did not go out
    kUnsuccessful = 4,   // the final status was not "write file complete"
};

class SdpDriver {
public:
    static constexpr int kErrorStatusTries = 5;
    static constexpr int kAnswerWaitMs = 100;

    explicit SdpDriver(SDPLoader_Interface& loader) : loader_(loader) {}

    // Asks the ROM for its error status until it gives a complete answer (whatever the word).
    bool errorStatus();
    // Writes `image` to `address` and checks that the ROM reports the write complete.
    LoadFileResult loadFile(std::span<const uint8_t> image, uint32_t address);
    // Starts the program at `address`. False only when the command could not be sent: the ROM
    // does not answer a jump that succeeds.
    bool jump(uint32_t address);

private:
    SDPLoader_Interface& loader_;
};
