#pragma once

#include <optional>
#include <string>

#include "cli/updater_settings.h"

class UpdaterDisplayInterface;

// The per-user store: "<home>/.norvane/updater", or "<dir>/updater" with -i <dir>. Creates it
// (and any missing parent) when needed and returns its path; returns nothing after reporting
// why it cannot be had.
std::optional<std::string> ensureStoreDirectory(const UpdaterSettings& settings,
                                                UpdaterDisplayInterface* display);
