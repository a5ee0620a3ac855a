#include "commands/list_server_builds.h"

#include "app/updater_app.h"
#include "commands/build_list.h"
#include "commands/server_failure.h"
#include "display/output.h"
#include "update_server/server_comm.h"

BuildMap listServerBuilds(UpdaterApp& app, uint32_t serialNumber) {
    BuildMap builds;
    if (!pingServer(app)) {
        return builds;
    }
    const RequestResult listed =
        ServerCommClass::GetBuildList(serialNumber, builds, app.serverUrl());
    if (!listed) {
        displayPrintf(app.display(), DISPLAY_ERROR, "Failed to retrieve builds for %08X",
                      serialNumber);
        showFailureReason(app.display(), listed);
    }
    return builds;
}

bool runListServerBuilds(UpdaterApp& app, UpdaterSettings& settings) {
    printBuildList(app.display(), listServerBuilds(app, settings.serialNumber),
                   settings.serialNumber);
    return true;
}
