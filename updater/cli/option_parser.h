#pragma once

#include "cli/updater_settings.h"

class UpdaterDisplayInterface;

// Fills settings from the command line, reporting refused values through the display as they
// are met (the parse goes on after them). Returns 0 when the command line is acceptable or
// help was asked for, 1 otherwise.
int parseCommandLine(int argc, const char* const argv[], UpdaterSettings& settings,
                     UpdaterDisplayInterface* display);
