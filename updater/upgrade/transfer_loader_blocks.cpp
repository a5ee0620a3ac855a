#include "upgrade/transfer_loader_blocks.h"

#include <optional>
#include <span>
#include <vector>

#include "display/output.h"
#include "display/updater_display_interface.h"
#include "upgrade/updater_entity.h"
#include "upgrade/upgrade_blocks.h"

using Norvane::Lynkor::Module;

aErr transferLoaderBlocks(UpdaterDisplayInterface* display, Module* module, const BirdFile& bird) {
    const std::optional<std::vector<BirdBlock>> blocks = upgradeBlocks(bird, BIRD_BLOCK_LOADER);
    if (!blocks) {
        displayPrintf(display, DISPLAY_ERROR, "A loader block is too short for its address");
        return aErrSize;
    }
    UpdaterEntity entity;
    entity.init(module, 0, true, false);
    aErr result = entity.loaderInit();
    if (result != aErrNone) {
        debugPrintf(DEBUG_Updater, "Error starting loader [%d, %s].\n", result,
                    aError_GetErrorText(result));
        return result;
    }

    displayPrintf(display, DISPLAY_INFO, "Transferring loader to device");
    display->setProgressActive(true);
    const auto count = static_cast<int>(blocks->size());
    int done = 0;
    uint64_t doneBytes = 0;
    for (int number = 1; number <= count; ++number) {
        const BirdBlock& block = (*blocks)[static_cast<size_t>(number - 1)];
        const std::span<const uint8_t> body(block.body, block.length);
        displayPrintf(display, DISPLAY_INFO, "Transferring loader block %d of %d, %d bytes", number,
                      count, static_cast<int>(block.length));
        uint16_t blockSize = 0;
        // A loader that does not answer PREPARE may still take the data.
        const aErr prepared = entity.TransferPrepare(body, block.flags, blockSize);
        if (prepared != aErrNone && prepared != aErrTimeout) {
            debugPrintf(DEBUG_Updater, "Error Preparing transfer [%d, %s].\n", prepared,
                        aError_GetErrorText(prepared));
            if (result == aErrNone) {
                result = prepared;
            }
            break;
        }
        const aErr transferred = entity.loaderTransfer(body);
        if (transferred != aErrNone) {
            debugPrintf(DEBUG_Updater, "Error loader transfer [%d, %s].\n", transferred,
                        aError_GetErrorText(transferred));
            // A loader with a block missing must not be started.
            if (result == aErrNone) {
                result = transferred;
            }
            continue;
        }
        ++done;
        doneBytes += block.length;
    }
    displayPrintf(display, DISPLAY_INFO, "Transferred %d blocks, %d total bytes", done,
                  static_cast<int>(doneBytes));
    display->setProgressActive(false);
    if (result != aErrNone) {
        return result;
    }

    displayPrintf(display, DISPLAY_INFO, "Starting Load on Device");
    result = entity.loaderStart();
    if (result == aErrTimeout) {
        debugPrintf(DEBUG_Updater,
                    "Timeout on LoaderStart. Usually indicates this is an iMX Load ignore err.\n");
        return aErrNone;
    }
    if (result != aErrNone) {
        displayPrintf(display, DISPLAY_ERROR, "Error starting loader [%d, %s]", result,
                      aError_GetErrorText(result));
    }
    return result;
}
