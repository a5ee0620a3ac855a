#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "firmware/updater_store.h"

class UpdaterDisplayInterface;

// Opens the local store for the length of one command. When it cannot be created the error is
// shown, naming the operation, and the command gets nothing.
std::unique_ptr<UpdaterStore> openStore(UpdaterDisplayInterface* display,
                                        const std::string& storeDirectory,
                                        const char* operationName);

// The device's entry, its directory created when missing. When the directory cannot be created
// the error is shown as openStore shows its own, and the command gets nothing.
std::optional<StoreItem> createStoreDevice(UpdaterDisplayInterface* display,
                                           const UpdaterStore& store, uint32_t serialNumber,
                                           const char* operationName);
