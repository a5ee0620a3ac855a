#pragma once

#include <string>

#include "cli/updater_settings.h"

// The per-user store: "<home>/.norvane/updater", or "<dir>/updater" with -i <dir>. Creates it
// (and any missing parent) when needed and returns its path; throws CommandFailure, saying why,
// when it cannot be had.
std::string ensureStoreDirectory(const UpdaterSettings& settings);
