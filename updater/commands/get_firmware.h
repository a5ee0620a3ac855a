#pragma once

#include <chrono>
#include <cstdint>
#include <string>

#include "cli/updater_settings.h"

class UpdaterApp;

// The busy animation advances at this pace while a download runs.
inline constexpr std::chrono::milliseconds kDownloadBusyInterval{100};

// -G: asks the update server which build the device should run (or takes the given decimal
// build text), checks that the server offers it unless override is set, downloads it and stores
// it as <build>.bird in the device's store directory, recording the download in its settings.
// Returns the build stored, or 0 after showing why nothing was.
uint32_t getFirmware(UpdaterApp& app, uint32_t serialNumber, const std::string& buildText,
                     bool override, bool noCal);

// -G: shows which build is asked for and gets it. A stored build replaces settings.buildNumber,
// so that a following -U installs exactly that build; a failure leaves the build given with -b.
bool runGetFirmware(UpdaterApp& app, UpdaterSettings& settings);
