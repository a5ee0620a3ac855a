#pragma once

#include "cli/updater_settings.h"

class UpdaterApp;

// -D: finds the devices on the -t transport (USB when none was given), or with -r those behind
// that router, reads each one and prints the table. Always succeeds: a device that cannot be
// read shows in the table, a router that cannot be found gives an empty one.
bool runDiscover(UpdaterApp& app, UpdaterSettings& settings);
