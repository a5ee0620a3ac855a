#pragma once

#include <cstdint>
#include <string>

#include "firmware/bird_file.h"

class UpdaterApp;

// The bird file a command works on: the file at `path` when one is given, else the device's
// stored build, downloaded first when it is missing and downloading is allowed. `label` opens
// the line that says which ("Updating", "Recovering"). Throws std::runtime_error with the
// reason when no file can be loaded.
BirdFile load_bird(UpdaterApp& app, const char* label, const std::string& path,
                   uint32_t serialNumber, uint32_t build, bool downloadIfMissing);
