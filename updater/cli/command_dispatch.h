#pragma once

#include <span>

#include "cli/command_table.h"

inline constexpr int kExitSuccess = 0;
inline constexpr int kExitFailure = 1;

// Runs the commands whose letters were given, in table order, and returns the exit status.
// A missing prerequisite or a command this version does not have ends the run with a
// CommandFailure before the command runs.
int runCommands(std::span<const CommandEntry> commands, UpdaterApp& app, UpdaterSettings& settings);
