#include "commands/discover_through_router.h"

#include <memory>
#include <optional>

#include "app/updater_app.h"
#include "commands/device_queries.h"
#include "commands/updater_link_config.h"
#include "display/output.h"
#include "lynkor/Module.h"
#include "lynkor/aDefs.h"
#include "lynkor/aDiscovery.h"
#include "lynkor/entities/I2CClass.h"
#include "lynkor/entities/SystemClass.h"

using Norvane::Lynkor::I2CClass;
using Norvane::Lynkor::Module;
using Norvane::Lynkor::SystemClass;

namespace {

// The bus addresses devices may sit at; odd ones are read addresses, 0 and 254 are not used.
constexpr uint8_t kFirstBusAddress = 2;
constexpr uint8_t kLastBusAddress = 252;
constexpr uint8_t kBusAddressStep = 2;
// The bus speed code of the scan.
constexpr uint8_t kScanSpeed = 3;
// A device is present when it takes a write of these.
constexpr uint8_t kProbeBytes[] = {0, 0};
// The router answers a probe of an empty address at once; when this many probes in a row go
// unanswered it has fallen silent, and the rest of the scan would only wait a second each.
constexpr int kSilentRouterProbes = 3;

struct RouterSearch {
    uint32_t serialNumber;
    linkType type = INVALID;
};

bool s_takeRouter(const linkSpec* spec, bool* found, void* user) {
    auto* search = static_cast<RouterSearch*>(user);
    if (spec->serial_num != search->serialNumber) {
        return true;
    }
    *found = true;
    search->type = static_cast<linkType>(spec->type);
    debugPrintf(DEBUG_Network_100, "NETWORK: Found device [%08X] via link type [%d]\n",
                spec->serial_num, spec->type);
    return false;
}

// The kind of link the router is reached by: USB when it is there, else TCP/IP; INVALID when
// neither has it.
linkType s_findRouterTransport(uint32_t routerSerialNumber) {
    RouterSearch search{routerSerialNumber};
    for (const linkType type : {USB, TCPIP}) {
        aDiscovery_EnumerateModules(type, s_takeRouter, &search,
                                    updaterLinkConfig().networkInterface);
        if (search.type != INVALID) {
            break;
        }
    }
    return search.type;
}

struct SpecRelease {
    void operator()(linkSpec* spec) const { aLinkSpec_Destroy(&spec); }
};
using FoundSpec = std::unique_ptr<linkSpec, SpecRelease>;

// The router as the scan uses it: connected directly, its own address and linkSpec known.
struct ConnectedRouter {
    Module& module;
    linkSpec spec;
    uint32_t serialNumber;
};

// Connects the device at a bus address through the router and reads it; nothing when it cannot
// be reached or will not tell its serial number.
std::optional<DiscoveredDevice> s_readRoutedDevice(UpdaterDisplayInterface* display,
                                                   const ConnectedRouter& router,
                                                   uint8_t busAddress) {
    debugPrintf(DEBUG_Updater, "Attempt Connect on address: 0x%02x\n", busAddress);
    Module target(busAddress, false, 0);
    if (target.setConfig(updaterLinkConfig()) != aErrNone) {
        displayPrintf(display, DISPLAY_ERROR, "Failed to SET network configuration");
    }
    if (target.connectThroughLinkModule(&router.module) != aErrNone) {
        return std::nullopt;
    }
    SystemClass system;
    system.init(&target, 0);
    uint32_t serialNumber = 0;
    if (system.getSerialNumber(&serialNumber) != aErrNone) {
        return std::nullopt;
    }
    debugPrintf(DEBUG_Updater, "Got Serial [0x%08X]\n", serialNumber);

    DiscoveredDevice device;
    // The router's address fields: the device is reached where the router is.
    device.spec = router.spec;
    device.spec.serial_num = serialNumber;
    device.spec.module = 0;
    device.spec.router = router.module.getModuleAddress();
    device.spec.router_serial_num = router.serialNumber;
    device.spec.model = 0;
    device.i2cAddress = busAddress;
    device.modelName = aDefs_GetModelName(0);
    device.build = readBuildNumber(target);
    device.error = readDeviceInfo(target, device);
    uint8_t model = 0;
    const aErr modelRead = system.getModel(&model);
    if (modelRead == aErrNone) {
        device.spec.model = model;
        device.modelName = aDefs_GetModelName(model);
    } else if (device.error == aErrNone) {
        device.error = modelRead;
    }
    return device;
}

std::vector<DiscoveredDevice> s_scanBus(UpdaterDisplayInterface* display,
                                        const ConnectedRouter& router) {
    std::vector<DiscoveredDevice> devices;
    I2CClass bus;
    bus.init(&router.module, 0);
    bus.setSpeed(kScanSpeed);
    const uint8_t routerAddress = router.module.getModuleAddress();
    int unansweredProbes = 0;
    for (unsigned address = kFirstBusAddress; address <= kLastBusAddress;
         address += kBusAddressStep) {
        const auto busAddress = static_cast<uint8_t>(address);
        if (busAddress == routerAddress) {
            continue;
        }
        debugPrintf(DEBUG_Updater, "Searching Address 0x%02x\n", busAddress);
        const aErr probe = bus.write(busAddress, sizeof kProbeBytes, kProbeBytes);
        unansweredProbes = probe == aErrTimeout ? unansweredProbes + 1 : 0;
        if (unansweredProbes == kSilentRouterProbes) {
            debugPrintf(DEBUG_Updater, "The router stopped answering; scan ended\n");
            break;
        }
        if (probe != aErrNone) {
            continue;
        }
        if (auto device = s_readRoutedDevice(display, router, busAddress)) {
            devices.push_back(std::move(*device));
        }
    }
    return devices;
}

}  // namespace

std::vector<DiscoveredDevice> discoverThroughRouter(UpdaterApp& app, uint32_t routerSerialNumber,
                                                    linkType transport, RouteAfterScan route) {
    UpdaterDisplayInterface* display = app.display();
    if (transport == INVALID) {
        transport = s_findRouterTransport(routerSerialNumber);
    }
    const FoundSpec found(
        aDiscovery_FindModule(transport, routerSerialNumber, updaterLinkConfig().networkInterface));
    if (!found) {
        return {};
    }
    debugPrintf(DEBUG_Updater, "Found Link Module\n");

    Module routerModule(kDiscoveryStartAddress, 0);
    if (routerModule.setConfig(updaterLinkConfig()) != aErrNone) {
        displayPrintf(display, DISPLAY_ERROR, "Failed to SET network configuration");
        return {};
    }
    aErr result = routerModule.connectFromSpec(*found);
    if (result != aErrNone) {
        displayPrintf(display, DISPLAY_ERROR, "Error %d on connectFromSpec", result);
        return {};
    }
    SystemClass routerSystem;
    routerSystem.init(&routerModule, 0);
    result = routerSystem.routeToMe(1);
    if (result != aErrNone) {
        displayPrintf(display, DISPLAY_ERROR, "Error %d on route to me", result);
        return {};
    }

    ConnectedRouter router{routerModule, {}, routerSerialNumber};
    routerModule.getLinkSpecifier(&router.spec);
    std::vector<DiscoveredDevice> devices = s_scanBus(display, router);

    if (route == RouteAfterScan::Cleared || devices.empty()) {
        result = routerSystem.routeToMe(0);
        if (result != aErrNone) {
            debugPrintf(DEBUG_Updater, "Error %d on clearing route to me\n", result);
        }
    }
    return devices;
}
