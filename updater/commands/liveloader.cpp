#include "commands/liveloader.h"

#include <exception>
#include <initializer_list>
#include <optional>

#include "app/updater_app.h"
#include "commands/connect_retries.h"
#include "commands/get_firmware.h"
#include "commands/open_store.h"
#include "commands/updater_link_config.h"
#include "display/output.h"
#include "firmware/bird_file.h"
#include "lynkor/Module.h"
#include "lynkor/entities/SystemClass.h"
#include "recovery/transfer_loader.h"
#include "upgrade/transfer_firmware.h"
#include "upgrade/updater_entity.h"

using Norvane::Lynkor::Module;
using Norvane::Lynkor::SystemClass;

namespace {

constexpr const char* kOperationName = "_get_fingerprint_imx";
// The system entity's identifier: one 32-bit word per subindex, the last fingerprint word first.
constexpr uint8_t kIdentifierOption = 39;

// The liveloader's bird file: the one named, else the store's latest download for the device,
// downloaded first when the store has no entry for it. Nothing when none can be loaded.
std::optional<BirdFile> s_loaderBird(UpdaterApp& app, const UpdaterStore& store,
                                     uint32_t serialNumber, const std::string& birdPath) {
    try {
        if (!birdPath.empty()) {
            return BirdFile(birdPath);
        }
        StoreItem device;
        std::string fileName;
        if (!store.FindDevice(serialNumber, &device)) {
            debugPrintf(DEBUG_APP, "Existing loader device not found. Downloading.\n");
            const uint32_t build = getFirmware(app, serialNumber, "", false, false);
            if (build == 0 || !store.FindDevice(serialNumber, &device)) {
                return std::nullopt;
            }
            fileName = std::to_string(build) + ".bird";
        } else {
            fileName = device.settings().getString("LATEST_DOWNLOAD");
            if (fileName.empty()) {
                return std::nullopt;
            }
        }
        BirdFile bird;
        device.loadBird(fileName, bird);
        return bird;
    } catch (const std::exception&) {
        // A file that is missing or does not parse leaves the chip untouched.
        return std::nullopt;
    }
}

// Reaches a liveloader that is coming up on USB; every attempt tries the serial numbers in order.
bool s_connectLiveloader(Module& module, std::initializer_list<uint32_t> serialNumbers) {
    return connectWithRetries(module, [serialNumbers](Module& coming) {
        for (const uint32_t serialNumber : serialNumbers) {
            if (coming.discoverAndConnect(USB, serialNumber) == aErrNone && coming.isConnected()) {
                return aErrNone;
            }
            coming.disconnect();
        }
        return aErrNotFound;
    });
}

}  // namespace

bool _get_fingerprint_imx(UpdaterApp& app, uint32_t serialNumber, const std::string& birdPath,
                          const std::string& portName, Fingerprint& words, bool reset) {
    UpdaterDisplayInterface* display = app.display();
    const auto store = openStore(display, app.storeDirectory(), kOperationName);
    if (!store) {
        return false;
    }
    if (serialNumber == 0) {
        serialNumber = kLoaderPlaceholderSerial;
    }
    // The default liveloader is the placeholder's; a file of one's own goes with its device.
    if (!birdPath.empty() && serialNumber == kLoaderPlaceholderSerial) {
        displayPrintf(display, DISPLAY_ERROR,
                      "Add serial number or remove the bird filename to use a default recovery "
                      "image.");
        return false;
    }
    const std::optional<BirdFile> bird = s_loaderBird(app, *store, serialNumber, birdPath);
    if (!bird || transferLoader(portName, *bird) != aErrNone) {
        debugPrintf(DEBUG_APP, "Error loading liveloader.\n");
        return false;
    }

    Module module(0, 0);
    if (module.setConfig(updaterLinkConfig()) != aErrNone) {
        displayPrintf(display, DISPLAY_ERROR, "Failed to SET network configuration");
        return false;
    }
    if (!s_connectLiveloader(module, {serialNumber})) {
        debugPrintf(DEBUG_APP, "Could not connect to device.\n");
        return false;
    }
    SystemClass system;
    system.init(&module, 0);
    Fingerprint identifier{};
    for (uint8_t subindex = 0; subindex < identifier.size(); ++subindex) {
        uint32_t word = 0;
        if (system.getUEI32(kIdentifierOption, subindex, &word) != aErrNone) {
            debugPrintf(DEBUG_APP, "Error getting Identifier %d.\n", subindex);
            return false;
        }
        identifier[identifier.size() - 1 - subindex] = word;
    }
    if (reset) {
        // The chip restarts into its boot ROM at once; the answer may never come.
        system.reset();
    }
    words = identifier;
    return true;
}

bool transferThroughLiveloader(UpdaterApp& app, const BirdFile& bird, uint32_t serialNumber) {
    UpdaterDisplayInterface* display = app.display();
    Module module(0, 0);
    if (module.setConfig(updaterLinkConfig()) != aErrNone) {
        displayPrintf(display, DISPLAY_ERROR, "Failed to SET network configuration");
        displayPrintf(display, DISPLAY_ERROR, "Failed to transfer firmware");
        return false;
    }
    if (!s_connectLiveloader(module, {kLoaderPlaceholderSerial, serialNumber})) {
        displayPrintf(display, DISPLAY_ERROR, "Could not connect to device");
        return false;
    }
    if (_transfer_firmware(display, &module, bird, false, app.useUEIBytes) != aErrNone) {
        displayPrintf(display, DISPLAY_ERROR, "Failed to transfer firmware");
        return false;
    }
    return true;
}
