#include "commands/open_store.h"

#include <exception>

#include "display/output.h"

namespace {

void showStoreError(UpdaterDisplayInterface* display, const char* operationName,
                    const std::exception& error) {
    displayPrintf(display, DISPLAY_ERROR, "Failed to Create UpdaterStore in: %s - Exception: %s",
                  operationName, error.what());
}

}  // namespace

std::unique_ptr<UpdaterStore> openStore(UpdaterDisplayInterface* display,
                                        const std::string& storeDirectory,
                                        const char* operationName) {
    try {
        return std::make_unique<UpdaterStore>(storeDirectory);
    } catch (const std::exception& error) {
        showStoreError(display, operationName, error);
        return nullptr;
    }
}

std::optional<StoreItem> createStoreDevice(UpdaterDisplayInterface* display,
                                           const UpdaterStore& store, uint32_t serialNumber,
                                           const char* operationName) {
    try {
        return store.createDevice(serialNumber);
    } catch (const std::exception& error) {
        showStoreError(display, operationName, error);
        return std::nullopt;
    }
}
