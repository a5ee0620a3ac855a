#include "commands/build_listing.h"

#include <exception>
#include <vector>

#include "app/updater_app.h"
#include "commands/open_store.h"
#include "display/output.h"
#include "firmware/bird_file.h"
#include "update_server/server_comm.h"
#include "update_server/version_order.h"

namespace {

constexpr const char* kBuildListRow = "%-15.15s\t%-15.15s";

bool pingServer(UpdaterApp& app) {
    if (ServerCommClass::ping(app.serverUrl())) {
        return true;
    }
    displayPrintf(app.display(), DISPLAY_ERROR, "Server request failed for %s",
                  app.serverUrl().c_str());
    return false;
}

// The version an information block names; empty when the file is not a loadable bird file.
std::string storedVersion(const std::string& path) {
    if (BirdFile::isBirdFile(path)) {
        try {
            std::string version = BirdFile(path).getVersion();
            if (!version.empty()) {
                debugPrintf(DEBUG_Updater, "Found VERSION in birdfile: %s - Version: \n",
                            path.c_str());
            }
            return version;
        } catch (const std::exception&) {
        }
    }
    debugPrintf(DEBUG_Updater, "Could NOT file VERSION in birdfile: %s\n", path.c_str());
    return {};
}

}  // namespace

BuildMap listServerBuilds(UpdaterApp& app, uint32_t serialNumber) {
    BuildMap builds;
    if (!pingServer(app)) {
        return builds;
    }
    if (!ServerCommClass::GetBuildList(serialNumber, builds, app.serverUrl())) {
        displayPrintf(app.display(), DISPLAY_ERROR, "Failed to retrieve builds for %08X",
                      serialNumber);
    }
    return builds;
}

BuildMap listLocalBuilds(UpdaterApp& app, uint32_t serialNumber) {
    BuildMap builds;
    auto store = openStore(app.display(), app.storeDirectory(), "Get_BuildListLocal");
    if (!store) {
        return builds;
    }
    std::vector<StoreItem> items;
    store->FindDevice(serialNumber, items);
    for (const StoreItem& item : items) {
        const std::string& name = item.name();
        builds.emplace(name.substr(0, name.find(".bird")), storedVersion(item.path()));
    }
    return builds;
}

void printBuildList(UpdaterDisplayInterface* display, const BuildMap& builds,
                    uint32_t serialNumber) {
    if (builds.empty()) {
        displayPrintf(display, DISPLAY_INFO, "No builds found for device [%08X]", serialNumber);
        return;
    }
    displayPrintf(display, DISPLAY_INFO, "Build List for device [%08X]:\n", serialNumber);
    displayPrintf(display, DISPLAY_INFO, kBuildListRow, "Build", "Version");
    for (const auto& [build, version] : sortedBuildList(builds)) {
        displayPrintf(display, DISPLAY_INFO, kBuildListRow, build.c_str(), version.c_str());
    }
}

std::string getDeviceToken(UpdaterApp& app, uint32_t serialNumber) {
    std::string token;
    if (!pingServer(app)) {
        return token;
    }
    if (!ServerCommClass::GetDeviceJWT(serialNumber, token, app.serverUrl())) {
        displayPrintf(app.display(), DISPLAY_ERROR, "Failed to retrieve jwt for %08X",
                      serialNumber);
    }
    return token;
}
