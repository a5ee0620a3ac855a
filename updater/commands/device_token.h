#pragma once

#include <cstdint>
#include <string>

#include "cli/updater_settings.h"

class UpdaterApp;

// The device's feature token from the update server; empty after showing why.
std::string getDeviceToken(UpdaterApp& app, uint32_t serialNumber);

// -J: prints the -d device's token as one line, an empty one when it could not be had; the
// command still succeeds.
bool runGetDeviceToken(UpdaterApp& app, UpdaterSettings& settings);
