#pragma once

#include <cstdint>

#include "update_server/server_replies.h"

class UpdaterDisplayInterface;

// Prints a build list (of the server or of the store), newest version first, each column cut
// to 15 characters.
void printBuildList(UpdaterDisplayInterface* display, const BuildMap& builds,
                    uint32_t serialNumber);
