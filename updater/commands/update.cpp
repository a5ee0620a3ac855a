#include "commands/update.h"

#include "app/updater_app.h"
#include "cli/parameter_values.h"
#include "commands/recover_device.h"
#include "commands/update_device.h"

bool runUpdate(UpdaterApp& app, UpdaterSettings& settings) {
    app.useUEIBytes = settings.useUEIBytes;
    if (settings.transport == TRANSPORT_RECOVER) {
        return runRecovery(app, settings);
    }
    UpdateRequest request;
    request.serialNumber = settings.serialNumber;
    request.build = parseDecimalDigits(settings.buildNumber);
    request.birdPath = settings.birdFilePath;
    request.moduleAddress = settings.indirectModuleAddress;
    request.routerSerialNumber = settings.routerSerialNumber;
    request.overrideModelChecks = settings.overrideModelChecks;
    return updateDevice(app, request);
}
