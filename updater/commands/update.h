#pragma once

#include "cli/updater_settings.h"

class UpdaterApp;

// -U: with the transport RECOVER, recovery through the chip's boot ROM; the update of a running
// device is refused, as this version does not have it.
bool runUpdate(UpdaterApp& app, UpdaterSettings& settings);
