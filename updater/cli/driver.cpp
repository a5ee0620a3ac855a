#include "cli/driver.h"

#include <optional>
#include <string>

#include "app/updater_app.h"
#include "cli/banner.h"
#include "cli/command_steps.h"
#include "cli/option_parser.h"
#include "cli/store_directory.h"
#include "cli/updater_settings.h"
#include "cli/usage.h"

int runUpdater(int argc, const char* const argv[], UpdaterDisplayInterface& display) {
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

    const std::optional<std::string> storeDirectory = ensureStoreDirectory(settings, &display);
    if (!storeDirectory) {
        return kExitFailure;
    }
    UpdaterApp app(settings.serverUrl, *storeDirectory, &display);
    int pendingResult = kExitSuccess;
    if (const StepOutcome end = runFingerprintStep(app, settings, pendingResult)) {
        return *end;
    }
    if (const StepOutcome end = runGetFirmwareStep(app, settings, pendingResult)) {
        return *end;
    }
    return runFinalCommandStep(app, settings, pendingResult);
}
