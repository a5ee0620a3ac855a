#pragma once

class UpdaterDisplayInterface;

// One run of the tool: parse the command line, show the version line, make sure the store
// directory exists, then run the requested commands in their fixed order. Returns the process
// exit status.
int runUpdater(int argc, const char* const argv[], UpdaterDisplayInterface& display);
