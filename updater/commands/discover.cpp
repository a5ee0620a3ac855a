#include "commands/discover.h"

#include "app/updater_app.h"
#include "commands/device_table.h"
#include "commands/discover_devices.h"
#include "commands/discover_through_router.h"
#include "display/output.h"

namespace {

// The transport -t asked for; INVALID when none was given, as recovery is no discovery transport.
linkType s_requestedTransport(const UpdaterSettings& settings) {
    if (!settings.transportGiven || settings.transport == TRANSPORT_RECOVER) {
        return INVALID;
    }
    return static_cast<linkType>(settings.transport);
}

}  // namespace

bool runDiscover(UpdaterApp& app, UpdaterSettings& settings) {
    UpdaterDisplayInterface* display = app.display();
    linkType transport = s_requestedTransport(settings);
    if (settings.routerSerialNumber != 0) {
        displayPrintf(display, DISPLAY_INFO,
                      "Searching for Lynkor Network devices connected to %08X",
                      settings.routerSerialNumber);
        printDeviceTable(display,
                         discoverThroughRouter(app, settings.routerSerialNumber, transport,
                                               RouteAfterScan::Cleared),
                         transport);
        return true;
    }
    if (transport == INVALID) {
        transport = USB;
    }
    displayPrintf(display, DISPLAY_INFO, "Searching for Lynkor devices");
    printDeviceTable(display, discoverDevices(app, transport), transport);
    return true;
}
