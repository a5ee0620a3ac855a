#include "commands/fingerprint.h"

#include "app/updater_app.h"
#include "display/output.h"
#include "recovery/isp_procedures.h"

std::optional<Fingerprint> getFingerprint(UpdaterApp& app, const std::string& portName,
                                          uint32_t baudRate) {
    if (std::optional<IspIdentification> words = identify(app.display(), portName, baudRate)) {
        app.chipKind = ChipKind::SerialIsp;
        return *words;
    }
    return std::nullopt;
}

bool runFingerprint(UpdaterApp& app, UpdaterSettings& settings) {
    std::optional<Fingerprint> fingerprint =
        getFingerprint(app, settings.serialPortName, settings.baudRate);
    if (!fingerprint) {
        displayPrintf(app.display(), DISPLAY_ERROR, "Got no response from chip");
        return false;
    }
    const Fingerprint& words = *fingerprint;
    displayPrintf(app.display(), DISPLAY_INFO, "[ %08X %08X %08X %08X ]", words[0], words[1],
                  words[2], words[3]);
    return true;
}
