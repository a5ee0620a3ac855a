#include "commands/discover_devices.h"

#include "app/updater_app.h"
#include "commands/device_queries.h"
#include "commands/updater_link_config.h"
#include "display/output.h"
#include "lynkor/Module.h"
#include "lynkor/aDefs.h"
#include "lynkor/aDiscovery.h"

using Norvane::Lynkor::Module;

namespace {

bool s_collect(const linkSpec* spec, bool* found, void* user) {
    DiscoveredDevice device;
    device.spec = *spec;
    static_cast<std::vector<DiscoveredDevice>*>(user)->push_back(device);
    *found = true;
    return true;
}

aErr s_readConnected(Module& module, DiscoveredDevice& device) {
    device.build = readBuildNumber(module);
    const aErr result = readDeviceInfo(module, device);
    return result == aErrNone ? readDeviceName(module, device) : result;
}

void s_read(UpdaterDisplayInterface* display, DiscoveredDevice& device) {
    device.modelName = aDefs_GetModelName(device.spec.model);
    Module module(kDiscoveryStartAddress, 0);
    device.error = module.setConfig(updaterLinkConfig());
    if (device.error != aErrNone) {
        displayPrintf(display, DISPLAY_ERROR, "Failed to SET network configuration");
        return;
    }
    // The module disconnects as it goes, before the next device is reached.
    device.error = module.connectFromSpec(device.spec);
    if (device.error == aErrNone) {
        device.error = s_readConnected(module, device);
    }
}

}  // namespace

std::vector<DiscoveredDevice> discoverDevices(UpdaterApp& app, linkType transport) {
    std::vector<DiscoveredDevice> devices;
    aDiscovery_EnumerateModules(transport, s_collect, &devices,
                                updaterLinkConfig().networkInterface);
    for (DiscoveredDevice& device : devices) {
        s_read(app.display(), device);
    }
    return devices;
}
