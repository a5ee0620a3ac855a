#pragma once

#include "cli/updater_settings.h"

class UpdaterApp;

// -U: the update of a running device, or with the transport RECOVER recovery through the chip's
// boot ROM.
bool runUpdate(UpdaterApp& app, UpdaterSettings& settings);
