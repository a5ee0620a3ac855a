#pragma once

#include <cstdint>

#include "cli/updater_settings.h"
#include "update_server/server_replies.h"

class UpdaterApp;

// The builds the update server offers for the device; empty after showing why.
BuildMap listServerBuilds(UpdaterApp& app, uint32_t serialNumber);

// -B: prints the server's builds for the -d device. A server that cannot be asked gives an
// empty list after its error; the command still succeeds.
bool runListServerBuilds(UpdaterApp& app, UpdaterSettings& settings);
