#pragma once

#include <functional>
#include <span>

#include "cli/command_table.h"

class UpdaterDisplayInterface;

// One run of the tool: parse the command line, show the version line, make sure the store
// directory exists, then run the requested commands in their fixed order. A CommandFailure from
// any of it is shown here, once, and ends the run with status 1. Returns the exit status.
int runUpdater(int argc, const char* const argv[], UpdaterDisplayInterface& display,
               std::span<const CommandEntry> commands = commandTable());

// Runs a whole run and returns its exit status. Whatever it throws that nothing expected is shown
// with its text and gives status 1, rather than aborting the process.
int runCatchingUnexpected(UpdaterDisplayInterface& display, const std::function<int()>& run);
