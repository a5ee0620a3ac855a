#pragma once

#include <optional>
#include <span>

#include "cli/updater_settings.h"

class UpdaterApp;

// Runs one command and answers whether it succeeded, after showing its own messages. A failure
// that leaves the run unable to go on is thrown as CommandFailure instead.
using CommandHandler = bool (*)(UpdaterApp& app, UpdaterSettings& settings);

// Leading commands all run, in table order, and the last one's outcome is the exit status unless
// a final command follows; of the final commands only the first one given runs, and its outcome
// is the exit status.
enum class CommandStage { Leading, Final };

// What a command needs on the command line besides its letter, and what the user is told (one
// line per "\n"-separated part) when it is missing.
struct CommandPrerequisite {
    bool (*isMet)(const UpdaterSettings& settings);
    const char* refusal;
    bool showShortUsage;
};

struct CommandEntry {
    CommandFlag flag;
    const char* option;
    CommandStage stage;
    std::optional<CommandPrerequisite> prerequisite;
    // Null for a command this version does not have: asking for it is refused.
    CommandHandler handler;
};

// The tool's commands in the order a run takes them: -N, -G, then -D, -U, -B, -L, -J.
std::span<const CommandEntry> commandTable();
