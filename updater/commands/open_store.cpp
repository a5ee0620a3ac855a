#include "commands/open_store.h"

#include <exception>

#include "display/output.h"

std::unique_ptr<UpdaterStore> openStore(UpdaterDisplayInterface* display,
                                        const std::string& storeDirectory,
                                        const char* operationName) {
    try {
        return std::make_unique<UpdaterStore>(storeDirectory);
    } catch (const std::exception& error) {
        displayPrintf(display, DISPLAY_ERROR,
                      "Failed to Create UpdaterStore in: %s - Exception: %s", operationName,
                      error.what());
        return nullptr;
    }
}
