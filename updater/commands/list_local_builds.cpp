#include "commands/list_local_builds.h"

#include <exception>
#include <string>
#include <vector>

#include "app/updater_app.h"
#include "commands/build_list.h"
#include "commands/open_store.h"
#include "display/output.h"
#include "firmware/bird_file.h"

namespace {

// The version an information block names; empty when the file is not a loadable bird file.
std::string s_storedVersion(const std::string& path) {
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
        builds.emplace(name.substr(0, name.find(".bird")), s_storedVersion(item.path()));
    }
    return builds;
}

bool runListLocalBuilds(UpdaterApp& app, UpdaterSettings& settings) {
    printBuildList(app.display(), listLocalBuilds(app, settings.serialNumber),
                   settings.serialNumber);
    return true;
}
