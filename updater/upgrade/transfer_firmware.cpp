#include "upgrade/transfer_firmware.h"

#include <optional>
#include <span>
#include <string>
#include <vector>

#include "display/output.h"
#include "upgrade/updater_entity.h"
#include "upgrade/upgrade_blocks.h"

using Norvane::Lynkor::Module;

namespace {

// Sends one block with its attempts; answers the last attempt's result, or at once a refused
// PREPARE (the device will not take that region, so sending again is pointless).
aErr s_transferBlock(UpdaterDisplayInterface* display, UpdaterEntity& entity,
                     const BirdBlock& block, unsigned number, unsigned count) {
    const std::span<const uint8_t> body(block.body, block.length);
    aErr result = aErrNone;
    for (int attempt = 1; attempt <= kFirmwareBlockAttempts; ++attempt) {
        const std::string retry = attempt > 1 ? "  Retry " + std::to_string(attempt - 1) : "";
        displayPrintf(display, DISPLAY_INFO, "Transferring firmware block %u of %u, %d bytes%s",
                      number, count, static_cast<int>(block.length), retry.c_str());
        uint16_t blockSize = 0;
        result = entity.TransferPrepare(body, block.flags, blockSize);
        if (result != aErrNone) {
            debugPrintf(DEBUG_Updater, "Error firmware transfer init: [%d, %s].\n", result,
                        aError_GetErrorText(result));
            return result;
        }
        result = entity.firmwareTransfer(body, blockSize, display);
        if (result == aErrNone) {
            return result;
        }
        debugPrintf(DEBUG_Updater, "Error firmware transfer [%d, %s].\n", result,
                    aError_GetErrorText(result));
    }
    return result;
}

}  // namespace

aErr _transfer_firmware(UpdaterDisplayInterface* display, Module* module, const BirdFile& bird,
                        bool noWait, bool useUEI) {
    const std::optional<std::vector<BirdBlock>> blocks = upgradeBlocks(bird, BIRD_BLOCK_FIRMWARE);
    if (!blocks) {
        displayPrintf(display, DISPLAY_ERROR, "A firmware block is too short for its address");
        return aErrSize;
    }
    UpdaterEntity entity;
    entity.init(module, 0, true, noWait);
    if (useUEI && entity.CheckUEIDataSupport() == aErrNone) {
        // Pooled packets only speed the transfer up; a device without them is served as is.
        entity.checkProtocolVersion();
    }
    debugPrintf(DEBUG_Updater, "Transferring firmware to device %s\n", bird.filename().c_str());
    const auto count = static_cast<unsigned>(blocks->size());
    unsigned done = 0;
    uint64_t doneBytes = 0;
    for (const BirdBlock& block : *blocks) {
        const aErr result = s_transferBlock(display, entity, block, done + 1, count);
        if (result != aErrNone) {
            debugPrintf(DEBUG_Updater, "Error firmware transfer block failed.\n");
            displayPrintf(display, DISPLAY_INFO, "Transferred %d blocks, %d total bytes",
                          static_cast<int>(done), static_cast<int>(doneBytes));
            return result;
        }
        ++done;
        doneBytes += block.length;
    }
    displayPrintf(display, DISPLAY_INFO, "Transferred %d blocks, %d total bytes",
                  static_cast<int>(done), static_cast<int>(doneBytes));
    return entity.LoaderReboot(display);
}
