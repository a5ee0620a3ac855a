#pragma once

#include <optional>

#include "cli/updater_settings.h"

class UpdaterApp;

// The commands of one run, in their fixed order: -N, then -G, then the first of -D, -U, -B,
// -L, -J that was given. A step either lets the run go on (no value) or ends it with the
// process exit status. pendingResult carries the outcome of -N and -G to the end of the run.
using StepOutcome = std::optional<int>;

inline constexpr int kExitSuccess = 0;
inline constexpr int kExitFailure = 1;

StepOutcome runFingerprintStep(UpdaterApp& app, const UpdaterSettings& settings,
                               int& pendingResult);
// A successful download replaces settings.buildNumber, so a following -U installs it.
StepOutcome runGetFirmwareStep(UpdaterApp& app, UpdaterSettings& settings, int& pendingResult);
int runFinalCommandStep(UpdaterApp& app, const UpdaterSettings& settings, int pendingResult);
