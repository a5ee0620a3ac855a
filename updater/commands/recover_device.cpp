#include "commands/recover_device.h"

#include <exception>

#include "app/updater_app.h"
#include "cli/parameter_values.h"
#include "commands/fingerprint.h"
#include "commands/liveloader.h"
#include "commands/load_bird.h"
#include "commands/server_failure.h"
#include "display/output.h"
#include "lynkor/aTime.h"
#include "recovery/isp_procedures.h"
#include "update_server/server_comm.h"

namespace {

constexpr double kMillisecondsPerSecond = 1000.0;

// The firmware goes in the way the chip's boot ROM takes it: straight into flash through a
// serial boot loader, or through the liveloader that the fingerprint read left running.
bool s_transferFirmware(UpdaterApp& app, BirdFile& bird, const Fingerprint& fingerprint,
                        const RecoveryArguments& arguments, uint32_t serialNumber) {
    UpdaterDisplayInterface* display = app.display();
    switch (app.chipKind) {
        case ChipKind::SerialIsp:
            bird.applyKey(fingerprint);
            if (!flashBird(display, bird, arguments.portName, arguments.baudRate)) {
                displayPrintf(display, DISPLAY_ERROR, "Failed to transfer firmware");
                return false;
            }
            return true;
        case ChipKind::Imx:
            return transferThroughLiveloader(app, bird, serialNumber);
        default:
            displayPrintf(display, DISPLAY_ERROR, "Unknown device");
            return false;
    }
}

}  // namespace

bool recoverDevice(UpdaterApp& app, const RecoveryArguments& arguments) {
    UpdaterDisplayInterface* display = app.display();
    const uint32_t start = aTime_GetMSTicks();
    std::optional<Fingerprint> fingerprint =
        getFingerprint(app, {arguments.portName, arguments.serialNumber, arguments.birdPath,
                             arguments.baudRate, false});
    if (!fingerprint) {
        displayPrintf(display, DISPLAY_ERROR, "Could not get Device Identifier");
        return false;
    }

    uint32_t serialNumber = arguments.serialNumber;
    uint32_t build = arguments.build;
    if (arguments.birdPath.empty()) {
        uint32_t serverSerial = 0;
        uint32_t serverBuild = 0;
        RequestResult found = ServerCommClass::GetRecoveryInfo(fingerprint->data(), serverSerial,
                                                               serverBuild, app.serverUrl());
        // A reply without the serial number names no device to recover.
        if (found && serverSerial == 0) {
            found = RequestResult::failure("The reply names no serial number");
        }
        if (!found) {
            displayPrintf(display, DISPLAY_ERROR,
                          "Failed to retrieve recovery information from Norvane server");
            showFailureReason(display, found);
            return false;
        }
        serialNumber = serverSerial;
        if (build == 0) {
            build = serverBuild;
        }
    }

    BirdFile bird;
    try {
        bird = load_bird(app, "Recovering", arguments.birdPath, serialNumber, build, true);
    } catch (const std::exception&) {
        displayPrintf(display, DISPLAY_ERROR, "Failed to load bird file");
        return false;
    }
    if (bird.hasSerialOffsets()) {
        displayPrintf(display, DISPLAY_ERROR, "Updater does not support offline recovery");
        return false;
    }

    const bool transferred = s_transferFirmware(app, bird, *fingerprint, arguments, serialNumber);
    displayPrintf(display, DISPLAY_INFO, "Update time: %.4f sec",
                  static_cast<double>(aTime_GetMSTicks() - start) / kMillisecondsPerSecond);
    return transferred;
}

bool runRecovery(UpdaterApp& app, UpdaterSettings& settings) {
    return recoverDevice(app, {settings.serialPortName, parseDecimalDigits(settings.buildNumber),
                               settings.baudRate, settings.serialNumber, settings.birdFilePath});
}
