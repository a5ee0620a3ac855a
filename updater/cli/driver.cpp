#include "cli/driver.h"

#include <exception>

#include "app/command_failure.h"
#include "app/updater_app.h"
#include "cli/banner.h"
#include "cli/command_dispatch.h"
#include "cli/option_parser.h"
#include "cli/store_directory.h"
#include "cli/updater_settings.h"
#include "cli/usage.h"
#include "display/output.h"

int runUpdater(int argc, const char* const argv[], UpdaterDisplayInterface& display,
               std::span<const CommandEntry> commands) {
    UpdaterSettings settings;
    const int parseResult = parseCommandLine(argc, argv, settings, &display);
    showVersionLine(&display);
    if (parseResult != 0) {
        showNotice(&display);
        printShortUsage(&display);
        return kExitFailure;
    }
    if (settings.helpRequested || (settings.commandFlags & kAnyCommandBits) == 0) {
        showNotice(&display);
        printUsage(&display, settings.printExtendedUsage, settings.helpRequested);
        return kExitSuccess;
    }

    try {
        UpdaterApp app(settings.serverUrl, ensureStoreDirectory(settings), &display);
        return runCommands(commands, app, settings);
    } catch (const CommandFailure& failure) {
        displayPrintf(&display, DISPLAY_ERROR, "%s", failure.what());
        if (failure.showShortUsage()) {
            printShortUsage(&display);
        }
        return kExitFailure;
    }
}

int runCatchingUnexpected(UpdaterDisplayInterface& display, const std::function<int()>& run) {
    try {
        return run();
    } catch (const std::exception& error) {
        displayPrintf(&display, DISPLAY_ERROR, "Updater stopped on an unexpected error: %s",
                      error.what());
    } catch (...) {
        displayPrintf(&display, DISPLAY_ERROR, "Updater stopped on an unexpected error");
    }
    return kExitFailure;
}
