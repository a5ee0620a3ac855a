#include "cli/command_steps.h"

#include "app/updater_app.h"
#include "cli/parameter_values.h"
#include "cli/usage.h"
#include "commands/build_listing.h"
#include "commands/fingerprint.h"
#include "commands/get_firmware.h"
#include "commands/recover_device.h"
#include "display/output.h"

// Each command's handler is an operation of UpdaterApp and plugs into its step below. A step
// whose handler is not there yet asks nothing of any device or server; where the exit status
// depends on the handler's success, it counts as failed, so that no script mistakes a run that
// did nothing for a finished download or update.

namespace {

bool has(const UpdaterSettings& settings, uint32_t flag) {
    return (settings.commandFlags & flag) != 0;
}

// -B, -L and -J name a device by -d; without it the user gets the reason and the short usage.
int refuseWithoutDevice(UpdaterApp& app, const char* commandName) {
    displayPrintf(app.display(), DISPLAY_ERROR, "Error must supply a serial number for the %s",
                  commandName);
    printShortUsage(app.display());
    return kExitFailure;
}

int runDiscover(UpdaterApp&, const UpdaterSettings&) {
    // The discovery and device table plug in here; the run ends well whatever they found.
    return kExitSuccess;
}

int runUpdate(UpdaterApp& app, const UpdaterSettings& settings) {
    app.useUEIBytes = settings.useUEIBytes;
    if (settings.transport == TRANSPORT_RECOVER) {
        RecoveryArguments arguments{settings.serialPortName,
                                    parseDecimalDigits(settings.buildNumber), settings.baudRate,
                                    settings.serialNumber, settings.birdFilePath};
        return recoverDevice(app, arguments) ? kExitSuccess : kExitFailure;
    }
    if (settings.serialNumber == 0) {
        displayPrintf(app.display(), DISPLAY_ERROR,
                      "Must specify the specific device to be updated");
        return kExitFailure;
    }
    // The update plugs in here with (serial number, build, bird file path, module address 0,
    // router serial number, override); its success decides the exit status.
    return kExitFailure;
}

int runListServerBuilds(UpdaterApp& app, const UpdaterSettings& settings) {
    if (settings.serialNumber == 0) {
        return refuseWithoutDevice(app, "List Builds command");
    }
    printBuildList(app.display(), listServerBuilds(app, settings.serialNumber),
                   settings.serialNumber);
    return kExitSuccess;
}

int runListLocalBuilds(UpdaterApp& app, const UpdaterSettings& settings) {
    if (settings.serialNumber == 0) {
        return refuseWithoutDevice(app, "List Local Builds command");
    }
    printBuildList(app.display(), listLocalBuilds(app, settings.serialNumber),
                   settings.serialNumber);
    return kExitSuccess;
}

int runGetToken(UpdaterApp& app, const UpdaterSettings& settings) {
    if (settings.serialNumber == 0) {
        return refuseWithoutDevice(app, "Get JWT command");
    }
    displayPrintf(app.display(), DISPLAY_INFO, "%s",
                  getDeviceToken(app, settings.serialNumber).c_str());
    return kExitSuccess;
}

}  // namespace

StepOutcome runFingerprintStep(UpdaterApp& app, const UpdaterSettings& settings,
                               int& pendingResult) {
    if (!has(settings, CMD_FINGERPRINT)) {
        return std::nullopt;
    }
    if (settings.serialPortName.empty()) {
        displayPrintf(app.display(), DISPLAY_ERROR,
                      "Must specify the serial port used for connecting");
        return kExitFailure;
    }
    pendingResult = showFingerprint(app, settings.serialPortName, settings.baudRate) ? kExitSuccess
                                                                                     : kExitFailure;
    return std::nullopt;
}

StepOutcome runGetFirmwareStep(UpdaterApp& app, UpdaterSettings& settings, int& pendingResult) {
    if (!has(settings, CMD_GET_FIRMWARE)) {
        return std::nullopt;
    }
    if (settings.serialNumber == 0) {
        displayPrintf(app.display(), DISPLAY_ERROR, "-G must specify a specific device via -d");
        displayPrintf(app.display(), DISPLAY_ERROR, "--help for usage information");
        return kExitFailure;
    }
    displayPrintf(app.display(), DISPLAY_INFO,
                  "Retrieving firmware for device with serial number %08X", settings.serialNumber);
    if (!settings.buildNumber.empty()) {
        displayPrintf(app.display(), DISPLAY_INFO, "Retrieving firmware build %s",
                      settings.buildNumber.c_str());
    } else {
        displayPrintf(app.display(), DISPLAY_INFO, "No build specified");
        displayPrintf(app.display(), DISPLAY_INFO, "Using Latest build");
    }
    // A failure does not stop a following -U, which then uses the build given with -b.
    uint32_t stored = getFirmware(app, settings.serialNumber, settings.buildNumber,
                                  settings.overrideModelChecks, false);
    if (stored == 0) {
        pendingResult = kExitFailure;
        return std::nullopt;
    }
    settings.buildNumber = std::to_string(stored);
    pendingResult = kExitSuccess;
    return std::nullopt;
}

int runFinalCommandStep(UpdaterApp& app, const UpdaterSettings& settings, int pendingResult) {
    if (has(settings, CMD_DISCOVER)) {
        return runDiscover(app, settings);
    }
    if (has(settings, CMD_UPDATE)) {
        return runUpdate(app, settings);
    }
    if (has(settings, CMD_LIST_SERVER_BUILDS)) {
        return runListServerBuilds(app, settings);
    }
    if (has(settings, CMD_LIST_LOCAL_BUILDS)) {
        return runListLocalBuilds(app, settings);
    }
    if (has(settings, CMD_GET_TOKEN)) {
        return runGetToken(app, settings);
    }
    return pendingResult;
}
