#include "commands/load_bird.h"

#include <optional>
#include <stdexcept>

#include "app/updater_app.h"
#include "commands/get_firmware.h"
#include "commands/open_store.h"
#include "display/output.h"

BirdFile load_bird(UpdaterApp& app, const char* label, const std::string& path,
                   uint32_t serialNumber, uint32_t build, bool downloadIfMissing) {
    constexpr const char* kOperationName = "load_bird";
    UpdaterDisplayInterface* display = app.display();
    // Without a store there is no file: an empty one would let a caller go on and erase a chip
    // for nothing.
    auto store = openStore(display, app.storeDirectory(), kOperationName);
    if (!store) {
        throw std::runtime_error("No store to load the bird file from");
    }
    if (!path.empty()) {
        displayPrintf(display, DISPLAY_INFO, "%s from Birdfile: %s", label, path.c_str());
        return BirdFile(path);
    }
    std::optional<StoreItem> device =
        createStoreDevice(display, *store, serialNumber, kOperationName);
    if (!device) {
        throw std::runtime_error("No store entry for the device");
    }
    displayPrintf(display, DISPLAY_INFO, "%s firmware with build: %u", label, build);
    const std::string fileName = std::to_string(build) + ".bird";
    BirdFile bird;
    try {
        device->loadBird(fileName, bird);
        return bird;
    } catch (const std::exception&) {
        if (!downloadIfMissing) {
            throw std::runtime_error("Error reading birdfile");
        }
    }
    displayPrintf(display, DISPLAY_INFO, "Downloading firmware build %u", build);
    getFirmware(app, serialNumber, std::to_string(build), false, false);
    BirdFile downloaded;
    device->loadBird(fileName, downloaded);
    return downloaded;
}
