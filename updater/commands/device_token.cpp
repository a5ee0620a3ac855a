#include "commands/device_token.h"

#include "app/updater_app.h"
#include "commands/server_failure.h"
#include "display/output.h"
#include "update_server/server_comm.h"

std::string getDeviceToken(UpdaterApp& app, uint32_t serialNumber) {
    std::string token;
    if (!pingServer(app)) {
        return token;
    }
    const RequestResult fetched =
        ServerCommClass::GetDeviceJWT(serialNumber, token, app.serverUrl());
    if (!fetched) {
        displayPrintf(app.display(), DISPLAY_ERROR, "Failed to retrieve jwt for %08X",
                      serialNumber);
        showFailureReason(app.display(), fetched);
    }
    return token;
}

bool runGetDeviceToken(UpdaterApp& app, UpdaterSettings& settings) {
    displayPrintf(app.display(), DISPLAY_INFO, "%s",
                  getDeviceToken(app, settings.serialNumber).c_str());
    return true;
}
