#include "commands/update_device.h"

#include <exception>
#include <optional>
#include <variant>
#include <vector>

#include "app/updater_app.h"
#include "commands/connect_retries.h"
#include "commands/discover_through_router.h"
#include "commands/load_bird.h"
#include "commands/open_store.h"
#include "commands/updater_link_config.h"
#include "display/output.h"
#include "firmware/bird_file.h"
#include "firmware/time_text.h"
#include "lynkor/aDefs.h"
#include "lynkor/aError.h"
#include "lynkor/aTime.h"
#include "lynkor/entities/SystemClass.h"
#include "update_server/build_number.h"
#include "update_server/server_comm.h"
#include "upgrade/transfer_firmware.h"
#include "upgrade/transfer_loader_blocks.h"

using Norvane::Lynkor::Module;

namespace {

constexpr const char* kOperationName = "Update_Firmware";
constexpr double kMillisecondsPerSecond = 1000.0;

// How the target was reached, so that it is reached the same way once its loader runs.
struct DirectRoute {
    linkType type;
};
struct RouterRoute {
    uint32_t routerSerialNumber;
};
using TargetRoute = std::variant<DirectRoute, RouterRoute>;

// A device is looked for on USB first, then over TCP/IP when USB does not have it.
aErr s_connectDirect(Module& module, uint32_t serialNumber) {
    const aErr result = module.connect(USB, serialNumber);
    return result == aErrNotFound ? module.connect(TCPIP, serialNumber) : result;
}

linkType s_connectedType(Module& module) {
    linkSpec spec{};
    return module.getLinkSpecifier(&spec) == aErrNone ? static_cast<linkType>(spec.type) : USB;
}

// The router reached directly, and the target through it; the router's own object is let go
// once the target holds the link.
aErr s_connectThroughRouter(Module& target, uint32_t routerSerialNumber) {
    Module router(0, 0);
    aErr result = router.setConfig(updaterLinkConfig());
    if (result == aErrNone) {
        result = s_connectDirect(router, routerSerialNumber);
    }
    return result == aErrNone ? target.connectThroughLinkModule(&router) : result;
}

aErr s_reconnect(Module& target, uint32_t serialNumber, const TargetRoute& route) {
    if (const auto* router = std::get_if<RouterRoute>(&route)) {
        return s_connectThroughRouter(target, router->routerSerialNumber);
    }
    const linkType type = std::get<DirectRoute>(route).type;
    if (type == TCPIP) {
        // The device comes back where it was; discovery finds it should its address change.
        const aErr result = target.reconnect();
        return result == aErrNone ? result : target.discoverAndConnect(TCPIP, serialNumber);
    }
    return target.discoverAndConnect(type, serialNumber);
}

// Once the loader restarted the device, reaches it again; gives up quietly after the last
// attempt, as the firmware transfer then fails and says so.
void s_reconnectAfterLoader(Module& target, uint32_t serialNumber, const TargetRoute& route) {
    if (target.isConnected()) {
        return;
    }
    target.disconnect();
    connectWithRetries(target,
                       [&](Module& module) { return s_reconnect(module, serialNumber, route); });
}

// The build to update to when none was named: the server's current one if it is stored, else
// the last download, else the last transfer. 0 after showing why there is none.
uint32_t s_chooseBuild(UpdaterApp& app, uint32_t serialNumber, StoreItem& device) {
    UpdaterDisplayInterface* display = app.display();
    std::string buildText;
    std::string firmwareTag;
    // Without the server's answer the store's record decides.
    if (!ServerCommClass::QueryBuild(serialNumber, buildText, firmwareTag, app.serverUrl())) {
        buildText.clear();
    }
    const std::optional<uint32_t> named = parseBuildNumber(buildText);
    if (!named) {
        debugPrintf(DEBUG_Updater, "Error: Could not convert %s to int.\n", buildText.c_str());
    }
    if (named.value_or(0) != 0) {
        try {
            BirdFile scratch;
            device.loadBird(std::to_string(*named) + ".bird", scratch);
            return *named;
        } catch (const std::exception&) {
            displayPrintf(display, DISPLAY_INFO,
                          "New firmware is available.  Updater will proceed if valid firmware is "
                          "found locally.");
        }
    }
    if (const int download = device.settings().getInt("LATEST_DOWNLOAD", 0); download != 0) {
        displayPrintf(display, DISPLAY_INFO, "Updating with the Latest Download");
        return static_cast<uint32_t>(download);
    }
    if (const int transfer = device.settings().getInt("LATEST_TRANSFER", 0); transfer != 0) {
        displayPrintf(display, DISPLAY_INFO, "Updating with the Latest Transfer");
        return static_cast<uint32_t>(transfer);
    }
    device.settings().getString("LAST_TRANSFER_VERSION");
    displayPrintf(display, DISPLAY_ERROR, "Could not find valid build for this device.");
    return 0;
}

// The steps below either go on, end in the update's one failure exit with an aErr, or end it
// at once after showing why (nullopt): a refused file, a device not found behind its router.
using StepResult = std::optional<aErr>;

// The bus address behind the router of the device with this serial number (the last one found,
// should several answer with it); 0 after showing why there is none.
uint8_t s_findBehindRouter(UpdaterApp& app, uint32_t serialNumber, uint32_t routerSerialNumber) {
    UpdaterDisplayInterface* display = app.display();
    const std::vector<DiscoveredDevice> found =
        discoverThroughRouter(app, routerSerialNumber, INVALID, RouteAfterScan::KeptForTransfer);
    if (found.empty()) {
        displayPrintf(display, DISPLAY_ERROR, "Unable to find modules on Network");
        return 0;
    }
    uint8_t address = 0;
    for (const DiscoveredDevice& device : found) {
        if (device.spec.serial_num == serialNumber) {
            address = static_cast<uint8_t>(device.i2cAddress);
        }
    }
    if (address == 0) {
        displayPrintf(display, DISPLAY_ERROR,
                      "Module address required for indirect firmware update, could not find "
                      "serial number [0x%08X] on network",
                      serialNumber);
    }
    return address;
}

// Connects the target as asked and tells how it was reached.
StepResult s_connectTarget(UpdaterApp& app, Module& target, const UpdateRequest& request,
                           TargetRoute& route) {
    UpdaterDisplayInterface* display = app.display();
    if (request.routerSerialNumber == 0) {
        const aErr result = s_connectDirect(target, request.serialNumber);
        if (result != aErrNone) {
            displayPrintf(display, DISPLAY_ERROR, "Failed to connect to module [%08X]",
                          request.serialNumber);
            return result;
        }
        route = DirectRoute{s_connectedType(target)};
        return aErrNone;
    }
    if (request.moduleAddress == 0) {
        const uint8_t address =
            s_findBehindRouter(app, request.serialNumber, request.routerSerialNumber);
        if (address == 0) {
            return std::nullopt;
        }
        target.setModuleAddress(address);
    }
    Module router(0, 0);
    const aErr configured = router.setConfig(updaterLinkConfig());
    if (configured != aErrNone) {
        displayPrintf(display, DISPLAY_ERROR, "Failed to SET network configuration");
        return configured;
    }
    if (s_connectDirect(router, request.routerSerialNumber) != aErrNone) {
        displayPrintf(display, DISPLAY_ERROR, "Failed to connect to link module [%08X]",
                      request.routerSerialNumber);
        return std::nullopt;
    }
    const aErr result = target.connectThroughLinkModule(&router);
    if (result != aErrNone) {
        displayPrintf(display, DISPLAY_ERROR, "Failed to connect to module [%08X]",
                      request.serialNumber);
        return result;
    }
    route = RouterRoute{request.routerSerialNumber};
    return aErrNone;
}

// Connects, checks the file against the device, starts the loader, reaches the device again
// if the loader restarted it, and transfers the firmware.
StepResult s_transfer(UpdaterApp& app, const UpdateRequest& request, const BirdFile& bird,
                      Module& target) {
    UpdaterDisplayInterface* display = app.display();
    const aErr configured = target.setConfig(updaterLinkConfig());
    if (configured != aErrNone) {
        displayPrintf(display, DISPLAY_ERROR, "Failed to SET network configuration");
        return configured;
    }
    TargetRoute route = DirectRoute{USB};
    const StepResult connected = s_connectTarget(app, target, request, route);
    if (connected != aErrNone) {
        return connected;
    }
    if (!request.overrideModelChecks &&
        !UpdateFirmware(display, bird, target, request.serialNumber)) {
        displayPrintf(display, DISPLAY_ERROR, "Birdfile failed validation");
        return std::nullopt;
    }
    const aErr loaded = transferLoaderBlocks(display, &target, bird);
    if (loaded != aErrNone) {
        return loaded;
    }
    s_reconnectAfterLoader(target, request.serialNumber, route);
    return _transfer_firmware(display, &target, bird, request.routerSerialNumber != 0,
                              app.useUEIBytes);
}

// Records a finished transfer in the device's settings; the device gets its store entry now
// if it had none (an update from a file named on the command line).
void s_recordTransfer(UpdaterApp& app, const UpdaterStore& store, uint32_t serialNumber,
                      const std::string& transferred) {
    std::optional<StoreItem> device =
        createStoreDevice(app.display(), store, serialNumber, kOperationName);
    if (!device) {
        return;
    }
    device->settings().set("LATEST_TRANSFER", transferred);
    device->settings().set("LAST_TRANSFER_DATE", currentTimeText());
    device->settings().save();
}

}  // namespace

bool UpdateFirmware(UpdaterDisplayInterface* display, const BirdFile& bird, Module& module,
                    uint32_t serialNumber) {
    if (bird.blockCount() == 0) {
        return false;
    }
    if (!bird.hasSerialOffsets() && !bird.matchesSerialNumber(serialNumber)) {
        return false;
    }
    debugPrintf(DEBUG_Updater, "UpdateFirmware() Connecting to device\n");
    Norvane::Lynkor::SystemClass system;
    system.init(&module, 0);
    uint32_t deviceSerial = 0;
    aErr result = system.getSerialNumber(&deviceSerial);
    if (result != aErrNone || deviceSerial != serialNumber) {
        debugPrintf(DEBUG_Updater, "Bird serial number and connected device don't match (%d).\n",
                    result);
        return false;
    }
    uint8_t model = 0;
    result = system.getModel(&model);
    const char* modelName = aDefs_GetModelName(model);
    if (bird.matchesModel(modelName)) {
        return true;
    }
    displayPrintf(display, DISPLAY_ERROR,
                  "Connected device model and Bird file model do not match [%s] (%d)", modelName,
                  result);
    return false;
}

bool updateDevice(UpdaterApp& app, const UpdateRequest& request) {
    UpdaterDisplayInterface* display = app.display();
    const uint32_t serialNumber = request.serialNumber;
    if (serialNumber == 0) {
        displayPrintf(display, DISPLAY_ERROR, "Update command must specify the specific device");
        return false;
    }
    auto store = openStore(display, app.storeDirectory(), kOperationName);
    if (!store) {
        return false;
    }
    StoreItem device;
    store->FindDevice(serialNumber, &device);
    const uint32_t start = aTime_GetMSTicks();

    uint32_t build = request.build;
    if (request.birdPath.empty() && build == 0) {
        build = s_chooseBuild(app, serialNumber, device);
        if (build == 0) {
            return false;
        }
    }
    BirdFile bird;
    try {
        bird = load_bird(app, "Updating", request.birdPath, serialNumber, build, false);
    } catch (const std::exception&) {
        displayPrintf(display, DISPLAY_ERROR, "Failed to load bird file");
        return false;
    }
    if (bird.hasSerialOffsets()) {
        debugPrintf(DEBUG_Updater, "Setting serial number into firmware... ");
        if (!bird.setSerialNumber(serialNumber)) {
            debugPrintf(DEBUG_Updater, "Error: Unable to modify serial number in bird.\n");
            return false;
        }
        debugPrintf(DEBUG_Updater, " Serial Number inserted into firmware.\n");
    }

    Module target(request.moduleAddress, 0);
    const StepResult result = s_transfer(app, request, bird, target);
    if (!result) {
        return false;
    }
    if (*result != aErrNone) {
        debugPrintf(DEBUG_Updater, "Failed _transfer_firmware(): %d\n", *result);
        displayPrintf(display, DISPLAY_ERROR, "Firmware update of device [%08X] failed [%d, %s]",
                      serialNumber, *result, aError_GetErrorText(*result));
        return false;
    }

    const std::string transferred =
        request.birdPath.empty() ? std::to_string(build) + ".bird" : request.birdPath;
    s_recordTransfer(app, *store, serialNumber, transferred);
    debugPrintf(DEBUG_Updater, "Updating device firmware: \n");
    displayPrintf(display, DISPLAY_INFO, "Update time: %.4f sec",
                  static_cast<double>(aTime_GetMSTicks() - start) / kMillisecondsPerSecond);
    return true;
}
