#pragma once

#include <cstdint>

#include "cli/updater_settings.h"
#include "update_server/server_replies.h"

class UpdaterApp;

// The builds in the device's store directory, each with the version its bird file names.
BuildMap listLocalBuilds(UpdaterApp& app, uint32_t serialNumber);

// -L: prints the stored builds of the -d device.
bool runListLocalBuilds(UpdaterApp& app, UpdaterSettings& settings);
