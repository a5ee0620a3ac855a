#include "cli/command_dispatch.h"

#include <string>

#include "app/command_failure.h"

namespace {

// Refuses, before anything of it runs, a command that cannot run as asked.
void s_checkRunnable(const CommandEntry& command, const UpdaterSettings& settings) {
    if (command.prerequisite && !command.prerequisite->isMet(settings)) {
        throw CommandFailure(command.prerequisite->refusal, command.prerequisite->showShortUsage);
    }
    if (command.handler == nullptr) {
        throw CommandFailure(std::string("The ") + command.option +
                             " command is not available in this version");
    }
}

}  // namespace

int runCommands(std::span<const CommandEntry> commands, UpdaterApp& app,
                UpdaterSettings& settings) {
    int pendingResult = kExitSuccess;
    for (const CommandEntry& command : commands) {
        if ((settings.commandFlags & command.flag) == 0) {
            continue;
        }
        s_checkRunnable(command, settings);
        const int result = command.handler(app, settings) ? kExitSuccess : kExitFailure;
        if (command.stage == CommandStage::Final) {
            return result;
        }
        pendingResult = result;
    }
    return pendingResult;
}
