#include "commands/fingerprint.h"

#include "app/updater_app.h"
#include "commands/liveloader.h"
#include "display/output.h"
#include "recovery/isp_procedures.h"
#include "recovery/transfer_loader.h"
#include "upgrade/updater_entity.h"

std::optional<Fingerprint> getFingerprint(UpdaterApp& app, const FingerprintRequest& request) {
    // The name of the i.MX boot ROM on USB HID is no serial port: a serial boot loader cannot
    // answer there, and trying to open it would only show the user an error.
    if (request.portName != kImxRomHidPortName) {
        if (std::optional<IspIdentification> words =
                identify(app.display(), request.portName, request.baudRate)) {
            app.chipKind = ChipKind::SerialIsp;
            return *words;
        }
    }
    app.chipKind = ChipKind::Imx;
    Fingerprint words{};
    if (!_get_fingerprint_imx(app, request.serialNumber, request.birdPath, request.portName, words,
                              request.resetAfterReading)) {
        return std::nullopt;
    }
    return words;
}

bool runFingerprint(UpdaterApp& app, UpdaterSettings& settings) {
    // No device serial is known yet: the liveloader is the one stored for the placeholder.
    std::optional<Fingerprint> fingerprint =
        getFingerprint(app, {settings.serialPortName, kLoaderPlaceholderSerial,
                             settings.birdFilePath, settings.baudRate, true});
    if (!fingerprint) {
        displayPrintf(app.display(), DISPLAY_ERROR, "Got no response from chip");
        return false;
    }
    const Fingerprint& words = *fingerprint;
    displayPrintf(app.display(), DISPLAY_INFO, "[ %08X %08X %08X %08X ]", words[0], words[1],
                  words[2], words[3]);
    return true;
}
