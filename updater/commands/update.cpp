#include "commands/update.h"

#include "app/command_failure.h"
#include "app/updater_app.h"
#include "commands/recover_device.h"

bool runUpdate(UpdaterApp& app, UpdaterSettings& settings) {
    app.useUEIBytes = settings.useUEIBytes;
    if (settings.transport == TRANSPORT_RECOVER) {
        return runRecovery(app, settings);
    }
    throw CommandFailure("The -U command is not available in this version");
}
