#pragma once

#include <memory>
#include <string>

#include "firmware/updater_store.h"

class UpdaterDisplayInterface;

// Opens the local store for the length of one command. When it cannot be created the error is
// shown, naming the operation, and the command gets nothing.
std::unique_ptr<UpdaterStore> openStore(UpdaterDisplayInterface* display,
                                        const std::string& storeDirectory,
                                        const char* operationName);
