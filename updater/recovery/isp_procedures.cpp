#include "recovery/isp_procedures.h"

#include "display/output.h"
#include "display/updater_display_interface.h"
#include "firmware/bird_file.h"
#include "recovery/flash_plan.h"
#include "recovery/isp_protocol.h"

namespace {

// Progress is shown on the display only while it is turned on, and turned off on every way out.
class ProgressScope {
public:
    explicit ProgressScope(UpdaterDisplayInterface* display) : display_(display) {
        if (display_ != nullptr) {
            display_->setProgressActive(true);
        }
    }
    ~ProgressScope() {
        if (display_ != nullptr) {
            display_->setProgressActive(false);
        }
    }
    ProgressScope(const ProgressScope&) = delete;
    ProgressScope& operator=(const ProgressScope&) = delete;

    void show(double fraction) {
        if (display_ != nullptr) {
            display_->showProgress(fraction, nullptr);
        }
    }

private:
    UpdaterDisplayInterface* display_;
};

bool s_writeChunk(SerialIsp& isp, const FlashChunk& chunk) {
    if (isp.write(kIspRamStagingAddress, chunk.staged) != aErrNone) {
        debugPrintf(DEBUG_NXPSerial, "\t Write to RAM failed\n");
        return false;
    }
    debugPrintf(DEBUG_NXPSerial, "\t Prepare to copy to sector(s) %d to %d\n",
                static_cast<int>(chunk.firstSector), static_cast<int>(chunk.lastSector));
    if (isp.prepare(chunk.firstSector, chunk.lastSector) != aErrNone) {
        debugPrintf(DEBUG_NXPSerial, "\t Prepare failed\n");
        return false;
    }
    const auto count = static_cast<uint32_t>(chunk.staged.size());
    debugPrintf(DEBUG_NXPSerial, "\t Copy %d bytes from %08X to %08X\n", static_cast<int>(count),
                kIspRamStagingAddress, chunk.flashAddress);
    if (isp.copy(chunk.flashAddress, kIspRamStagingAddress, count) != aErrNone) {
        debugPrintf(DEBUG_NXPSerial, "\t Transfer to flash failed\n");
        return false;
    }
    return true;
}

bool s_writeBlock(UpdaterDisplayInterface* display, SerialIsp& isp, const FlashBlock& block,
                  int number, int shownCount) {
    displayPrintf(display, DISPLAY_INFO, "Transferring firmware block %d of %d, %d bytes", number,
                  shownCount, static_cast<int>(block.imageLength));
    ProgressScope progress(display);
    uint32_t done = 0;
    for (const FlashChunk& chunk : block.chunks) {
        if (!s_writeChunk(isp, chunk)) {
            return false;
        }
        done += chunk.imageBytes;
        progress.show(static_cast<double>(done) / static_cast<double>(block.imageLength));
    }
    return true;
}

// Unlock, then prepare and erase the whole flash; echo goes off for the data that follows.
bool s_clearFlash(SerialIsp& isp) {
    debugPrintf(DEBUG_NXPSerial, "\n\tUnlock Memory:\n");
    if (isp.unlock() != aErrNone) {
        debugPrintf(DEBUG_NXPSerial, "Could not unlock\n");
        return false;
    }
    debugPrintf(DEBUG_NXPSerial, "\n\tPrepare ALL memory for update:\n");
    if (isp.prepare(0, kIspLastSector) != aErrNone) {
        debugPrintf(DEBUG_NXPSerial, "Could not prepare\n");
        return false;
    }
    debugPrintf(DEBUG_NXPSerial, "\n\tErase all memory before update:\n");
    if (isp.erase(0, kIspLastSector) != aErrNone) {
        debugPrintf(DEBUG_NXPSerial, "Could not erase\n");
        return false;
    }
    isp.setEcho(false);
    return true;
}

}  // namespace

std::optional<IspIdentification> identify(UpdaterDisplayInterface* display,
                                          const std::string& portName, uint32_t requestedRate) {
    SerialIsp isp(display);
    aErr result = isp.open(portName, requestedRate);
    if (result != aErrNone) {
        debugPrintf(DEBUG_NXPSerial, "ERROR %d ==> Could not open serial port\n", result);
        return std::nullopt;
    }
    debugPrintf(DEBUG_NXPSerial, "\n\tSync to Device:\n");
    result = isp.sync();
    if (result != aErrNone) {
        debugPrintf(DEBUG_NXPSerial,
                    "ERROR %d ==> Could not communicate with device over serial port\n", result);
        return std::nullopt;
    }
    debugPrintf(DEBUG_NXPSerial, "\n\tGet Info from Device:\n");
    IspIdentification words{};
    if (isp.readSerialNumber(words) != aErrNone) {
        debugPrintf(DEBUG_NXPSerial, "\tERROR ==> Got no response from chip\n");
        return std::nullopt;
    }
    return words;
}

bool flashBird(UpdaterDisplayInterface* display, const BirdFile& bird, const std::string& portName,
               uint32_t requestedRate) {
    std::string refusal;
    const std::optional<FlashPlan> plan = planFlash(bird, refusal);
    if (!plan) {
        displayPrintf(display, DISPLAY_ERROR, "%s", refusal.c_str());
        return false;
    }
    SerialIsp isp(display);
    if (isp.open(portName, requestedRate) != aErrNone) {
        debugPrintf(DEBUG_NXPSerial, "Could not connect to %s\n", portName.c_str());
        return false;
    }
    if (!s_clearFlash(isp)) {
        return false;
    }
    debugPrintf(DEBUG_NXPSerial, "Updating device firmware: \n");
    debugPrintf(DEBUG_NXPSerial, "Transferring firmware to device from [%s]\n",
                bird.filename().c_str());
    int number = 0;
    for (const FlashBlock& block : plan->blocks) {
        if (!s_writeBlock(display, isp, block, ++number, plan->shownBlockCount)) {
            return false;
        }
    }
    displayPrintf(display, DISPLAY_INFO, "Transferred %d blocks, %d total bytes",
                  plan->shownBlockCount, static_cast<int>(plan->imageBytes));
    aErr result = isp.setEcho(true);
    if (result != aErrNone) {
        displayPrintf(display, DISPLAY_ERROR,
                      "Recovery Error transfering data to device ==> [%d, %s]", result,
                      aError_GetErrorText(result));
        return false;
    }
    displayPrintf(display, DISPLAY_INFO, "Rebooting Device");
    isp.go(0);
    return true;
}
