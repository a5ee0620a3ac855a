#include "commands/server_failure.h"

#include "app/updater_app.h"
#include "display/output.h"
#include "update_server/server_comm.h"

void showFailureReason(UpdaterDisplayInterface* display, const RequestResult& result) {
    displayPrintf(display, DISPLAY_ERROR, "Reason: %s", result.reason().c_str());
}

bool pingServer(UpdaterApp& app) {
    const RequestResult answered = ServerCommClass::ping(app.serverUrl());
    if (!answered) {
        displayPrintf(app.display(), DISPLAY_ERROR, "Server request failed for %s",
                      app.serverUrl().c_str());
        showFailureReason(app.display(), answered);
    }
    return static_cast<bool>(answered);
}
