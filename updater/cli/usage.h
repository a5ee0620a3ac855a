#pragma once

class UpdaterDisplayInterface;

// The short usage: what a refused command line, or one without a command, is answered with.
void printShortUsage(UpdaterDisplayInterface* display);

// The short usage, then with full the parameters and commands, the extended options (when
// extended is set too) and the samples. All of it goes to standard error.
void printUsage(UpdaterDisplayInterface* display, bool extended, bool full);
