#include "commands/get_firmware.h"

#include <future>
#include <optional>
#include <span>
#include <thread>
#include <vector>

#include "app/updater_app.h"
#include "commands/open_store.h"
#include "commands/server_failure.h"
#include "display/output.h"
#include "display/updater_display_interface.h"
#include "firmware/bird_file.h"
#include "firmware/time_text.h"
#include "update_server/base64.h"
#include "update_server/build_number.h"
#include "update_server/server_comm.h"

namespace {

constexpr const char* kDownloadLabel = "Downloading";

void showBusy(UpdaterDisplayInterface* display, bool active) {
    if (display != nullptr) {
        display->showBusy(active, kDownloadLabel);
    }
}

// GetBuild on a worker thread of its own, while this thread animates the display; the worker
// works on its own copies and is joined before its output is read (and on any way out).
RequestResult downloadBuild(UpdaterApp& app, uint32_t serialNumber, const std::string& firmwareTag,
                            const std::string& buildText, bool noCal, std::string& base64Text) {
    std::promise<RequestResult> finished;
    std::future<RequestResult> result = finished.get_future();
    std::string output;
    std::jthread worker([&output, finished = std::move(finished), serialNumber, firmwareTag,
                         buildText, url = app.serverUrl(), noCal]() mutable {
        try {
            finished.set_value(ServerCommClass::GetBuild(serialNumber, firmwareTag, buildText,
                                                         output, url, noCal));
        } catch (const std::exception& error) {
            // Requests catch their own failures; only a want of memory gets here, and it too
            // is a failed download.
            finished.set_value(RequestResult::failure(error.what()));
        }
    });
    showBusy(app.display(), true);
    while (result.wait_for(kDownloadBusyInterval) != std::future_status::ready) {
        showBusy(app.display(), true);
    }
    showBusy(app.display(), false);
    RequestResult downloaded = result.get();
    worker.join();
    base64Text = std::move(output);
    return downloaded;
}

// Only bytes that parse as a whole bird file may reach the store: a server that sends a cut or
// foreign payload must not leave a file that an update would later trip over.
bool isWholeBirdFile(const std::string& fileName, const std::vector<uint8_t>& bytes) {
    BirdFile bird;
    return bird.loadFromBuffer(fileName, std::span<const uint8_t>(bytes));
}

}  // namespace

uint32_t getFirmware(UpdaterApp& app, uint32_t serialNumber, const std::string& buildText,
                     bool override, bool noCal) {
    UpdaterDisplayInterface* display = app.display();
    uint32_t build = 0;
    if (!buildText.empty()) {
        auto number = parseBuildNumber(buildText);
        if (!number) {
            displayPrintf(display, DISPLAY_ERROR, "Build number '%s' must be an number",
                          buildText.c_str());
            return 0;
        }
        build = *number;
    }
    if (serialNumber == 0) {
        displayPrintf(display, DISPLAY_ERROR, "Serial Number must be non-zero");
        return 0;
    }
    if (!pingServer(app)) {
        return 0;
    }
    constexpr const char* kOperationName = "Download_Firmware";
    auto store = openStore(display, app.storeDirectory(), kOperationName);
    if (!store) {
        return 0;
    }
    StoreItem device;
    if (!store->FindDevice(serialNumber, &device)) {
        debugPrintf(DEBUG_APP, "Could not find device in our update history.\n");
        std::optional<StoreItem> created =
            createStoreDevice(display, *store, serialNumber, kOperationName);
        if (!created) {
            return 0;
        }
        device = std::move(*created);
    }

    std::string serverBuild;
    std::string firmwareTag;
    const RequestResult queried =
        ServerCommClass::QueryBuild(serialNumber, serverBuild, firmwareTag, app.serverUrl());
    if (!queried) {
        displayPrintf(display, DISPLAY_ERROR, "No build information for device");
        showFailureReason(display, queried);
        return 0;
    }
    if (build == 0) {
        if (auto number = parseBuildNumber(serverBuild)) {
            build = *number;
        } else {
            debugPrintf(DEBUG_Updater, "Error: Could not convert %s to int.\n",
                        serverBuild.c_str());
        }
    }
    displayPrintf(display, DISPLAY_INFO, "Retrieving build %u", build);
    if (!override) {
        displayPrintf(display, DISPLAY_INFO, "Validating build %u with server", build);
        const RequestResult valid =
            ServerCommClass::validateBuild(serialNumber, build, app.serverUrl());
        if (!valid) {
            displayPrintf(display, DISPLAY_ERROR, "No valid build %u", build);
            showFailureReason(display, valid);
            return 0;
        }
        displayPrintf(display, DISPLAY_INFO, "Build %u is valid", build);
    } else {
        displayPrintf(display, DISPLAY_INFO, "Override specified, skipping validation of build %u",
                      build);
    }

    const std::string chosenBuild = std::to_string(build);
    std::string base64Text;
    const RequestResult downloaded =
        downloadBuild(app, serialNumber, firmwareTag, chosenBuild, noCal, base64Text);
    if (!downloaded) {
        displayPrintf(display, DISPLAY_ERROR, "Download failed");
        showFailureReason(display, downloaded);
    }
    const std::string fileName = chosenBuild + ".bird";
    auto bytes = base64Text.empty() ? std::nullopt : base64Decode(base64Text);
    if (!bytes || !isWholeBirdFile(fileName, *bytes)) {
        displayPrintf(display, DISPLAY_ERROR, "Failed to retrieve a valid BIRD file");
        return 0;
    }

    const std::string dateText = currentTimeText();
    aErr written = device.writeFile(fileName, std::span<const uint8_t>(*bytes));
    if (written != aErrNone) {
        displayPrintf(display, DISPLAY_ERROR, "Failed to write file with %d", written);
        return 0;
    }
    device.settings().set("LATEST_DOWNLOAD", fileName);
    device.settings().set("LAST_DOWNLOAD_DATE", dateText);
    device.settings().save();
    return build;
}

bool runGetFirmware(UpdaterApp& app, UpdaterSettings& settings) {
    UpdaterDisplayInterface* display = app.display();
    displayPrintf(display, DISPLAY_INFO, "Retrieving firmware for device with serial number %08X",
                  settings.serialNumber);
    if (!settings.buildNumber.empty()) {
        displayPrintf(display, DISPLAY_INFO, "Retrieving firmware build %s",
                      settings.buildNumber.c_str());
    } else {
        displayPrintf(display, DISPLAY_INFO, "No build specified");
        displayPrintf(display, DISPLAY_INFO, "Using Latest build");
    }
    const uint32_t stored = getFirmware(app, settings.serialNumber, settings.buildNumber,
                                        settings.overrideModelChecks, false);
    if (stored == 0) {
        return false;
    }
    settings.buildNumber = std::to_string(stored);
    return true;
}
