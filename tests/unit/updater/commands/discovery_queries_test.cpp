// The reads discovery makes of each device, and the scan of a router's bus, against simulated
// devices on the emulated USB bus.
#include <gtest/gtest.h>

#include <chrono>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "app/updater_app.h"
#include "commands/device_queries.h"
#include "commands/discover_through_router.h"
#include "commands/updater_link_config.h"
#include "lynkor/Module.h"
#include "support/device_sim.h"
#include "support/emulated_usb_bus.h"
#include "support/temp_dir.h"
#include "unit/updater/recording_display.h"

namespace {

using Norvane::Lynkor::Module;
using testing_support::DeviceSim;
using testing_support::EmulatedUsbBus;
using testing_support::TempDir;
using namespace std::chrono_literals;

constexpr uint32_t kRouterSerial = 0xD272031D;
constexpr uint8_t kRouterAddress = 6;

// Simulated devices on a bus of their own; heartbeats off so that histories stay short.
std::unique_ptr<DeviceSim> startDevices(const EmulatedUsbBus& bus,
                                        std::vector<std::string> devices) {
    std::vector<std::string> args{"--heartbeat-ms", "0", "--usb-dir", bus.path()};
    args.insert(args.end(), devices.begin(), devices.end());
    return std::make_unique<DeviceSim>(args);
}

aErr connectUsb(Module& module, uint32_t serial) {
    module.setConfig(updaterLinkConfig());
    linkSpec spec{};
    spec.type = USB;
    spec.serial_num = serial;
    return module.connectFromSpec(spec);
}

struct DeviceCase {
    std::string serial;
    std::vector<std::string> options;
    uint32_t build;
    uint8_t major;
    uint8_t minor;
    uint32_t patch;
    std::string name;
};

// Each case is one device of one simulator, at its own module address.
std::unique_ptr<DeviceSim> startCases(const EmulatedUsbBus& bus,
                                      const std::vector<std::string>& serials,
                                      const std::vector<std::vector<std::string>>& options) {
    std::vector<std::string> args;
    for (size_t i = 0; i < serials.size(); ++i) {
        args.insert(args.end(), {"--device", serials[i], "--usb", "--address",
                                 std::to_string(2 * (i + 1) + 0x1A)});
        args.insert(args.end(), options[i].begin(), options[i].end());
    }
    return startDevices(bus, args);
}

TEST(DeviceQueries, BuildVersionAddressesAndNameAsTheFirmwareHasThem) {
    const std::string longName = "Bench supply, left rack no.17";  // 29 bytes: two packets
    const std::vector<DeviceCase> cases = {
        // The first firmware that names its device.
        {"00000001", {"--version", "2.10.4", "--name", "Bench A"}, 1000, 2, 10, 4, "Bench A"},
        // Older firmware is not asked for a name.
        {"00000002", {"--version", "2.10.3", "--name", "Hidden"}, 1000, 2, 10, 3, ""},
        {"00000003",
         {"--version", "3.0.0", "--build", "4294967295", "--name", longName},
         4294967295u,
         3,
         0,
         0,
         longName},
        {"00000004", {"--version", "2.11.9", "--build", "7"}, 7, 2, 11, 9, ""},
    };
    EmulatedUsbBus bus;
    std::vector<std::string> serials;
    std::vector<std::vector<std::string>> options;
    for (const DeviceCase& c : cases) {
        serials.push_back(c.serial);
        options.push_back(c.options);
    }
    auto sim = startCases(bus, serials, options);
    for (size_t i = 0; i < cases.size(); ++i) {
        const DeviceCase& c = cases[i];
        SCOPED_TRACE(c.serial);
        Module module(2, 0);
        ASSERT_EQ(connectUsb(module, std::stoul(c.serial, nullptr, 16)), aErrNone);

        DiscoveredDevice device;
        EXPECT_EQ(readBuildNumber(module), c.build);
        EXPECT_EQ(readDeviceInfo(module, device), aErrNone);
        EXPECT_EQ(readDeviceName(module, device), aErrNone);
        EXPECT_EQ(device.major, c.major);
        EXPECT_EQ(device.minor, c.minor);
        EXPECT_EQ(device.patch, c.patch);
        const uint32_t address = 2 * (i + 1) + 0x1A;
        EXPECT_EQ(device.spec.module, address);
        EXPECT_EQ(device.spec.router, address);
        EXPECT_EQ(device.deviceName, c.name);
        const auto stats = sim->stats(c.serial);
        EXPECT_EQ(stats.at("requests_73"), 1) << "one build query";
        EXPECT_EQ(stats.at("uei_gets"), c.major == 2 && c.minor == 10 && c.patch == 3 ? 3 : 4)
            << "version, module, router and, from 2.10.4 on, the name";
    }
}

struct FaultCase {
    std::string serial;
    std::string rule;
    uint32_t build;
    aErr info;
    aErr name;
};

TEST(DeviceQueries, AFailingReadReportsItsErrorAndLeavesTheRestAsItWas) {
    const std::vector<FaultCase> cases = {
        // The build query unanswered, or answered too short.
        {"00000011", "cmd=73 action=drop", 0, aErrNone, aErrNone},
        {"00000012", "cmd=73 action=reply:49FF0102", 0, aErrNone, aErrNone},
        // The version refused; the router address unanswered.
        {"00000013", "cmd=3 opt=7 action=error:6", 1000, aErrIO, aErrNone},
        {"00000014", "cmd=3 opt=2 action=drop", 1000, aErrTimeout, aErrNone},
        // The name refused.
        {"00000015", "cmd=3 opt=32 action=error:9", 1000, aErrNone, aErrRead},
    };
    EmulatedUsbBus bus;
    std::vector<std::string> serials;
    for (const FaultCase& c : cases) {
        serials.push_back(c.serial);
    }
    auto sim = startCases(bus, serials,
                          std::vector<std::vector<std::string>>(cases.size(), {"--name", "Kept"}));
    for (const FaultCase& c : cases) {
        SCOPED_TRACE(c.serial + " " + c.rule);
        sim->fault(c.serial, c.rule);
        Module module(2, 0);
        ASSERT_EQ(connectUsb(module, std::stoul(c.serial, nullptr, 16)), aErrNone);

        DiscoveredDevice device;
        device.spec.router = 0x77;
        EXPECT_EQ(readBuildNumber(module), c.build);
        EXPECT_EQ(readDeviceInfo(module, device), c.info);
        if (c.info == aErrNone) {
            EXPECT_EQ(readDeviceName(module, device), c.name);
            EXPECT_EQ(device.deviceName, c.name == aErrNone ? "Kept" : "");
        } else {
            EXPECT_EQ(device.spec.router, 0x77u) << "left as it was";
        }
    }
}

// A router on the emulated USB bus, with devices behind it at bus addresses 0x10 and 0x20.
class RouterScan : public ::testing::Test {
protected:
    void SetUp() override {
        sim = startDevices(
            bus,
            {"--device",  "D272031D", "--usb",     "--address", "6",         "--model",  "19",
             "--device",  "40F5849A", "--behind",  "D272031D",  "--address", "0x10",     "--model",
             "17",        "--build",  "4242",      "--device",  "0000BEEF",  "--behind", "D272031D",
             "--address", "0x20",     "--version", "2.9.1",     "--model",   "250"});
    }

    std::vector<DiscoveredDevice> scan(RouteAfterScan route, linkType transport = USB) {
        return discoverThroughRouter(app, kRouterSerial, transport, route);
    }

    uint32_t routeToMe() { return sim->number("D272031D", "3 20 0"); }

    EmulatedUsbBus bus;
    std::unique_ptr<DeviceSim> sim;
    RecordingDisplay display;
    TempDir store;
    UpdaterApp app{"http://127.0.0.1:9/cgi/u", store.path(), &display};
};

TEST_F(RouterScan, ProbesEveryOtherBusAddressOnceAndReadsWhatAnswers) {
    // Without a transport the router is looked for on USB first, where it is.
    const auto devices = scan(RouteAfterScan::Cleared, INVALID);
    ASSERT_EQ(devices.size(), 2u);
    const DiscoveredDevice& first = devices[0];
    EXPECT_EQ(first.spec.type, USB);
    EXPECT_EQ(first.spec.serial_num, 0x40F5849Au);
    EXPECT_EQ(first.spec.module, 0x10u);
    EXPECT_EQ(first.spec.router, kRouterAddress);
    EXPECT_EQ(first.spec.router_serial_num, kRouterSerial);
    EXPECT_EQ(first.spec.model, 17u);
    EXPECT_EQ(first.spec.usb_id, kRouterSerial) << "reached where its router is";
    EXPECT_EQ(first.i2cAddress, 0x10);
    EXPECT_EQ(first.build, 4242u);
    EXPECT_EQ(first.modelName, "Lintel");
    EXPECT_EQ(first.error, aErrNone);
    EXPECT_EQ(first.deviceName, "");
    const DiscoveredDevice& second = devices[1];
    EXPECT_EQ(second.spec.serial_num, 0x0000BEEFu);
    EXPECT_EQ(second.i2cAddress, 0x20);
    EXPECT_EQ(second.modelName, "Unknown");
    EXPECT_EQ(second.major, 2);
    EXPECT_EQ(second.minor, 9);
    EXPECT_EQ(second.patch, 1u);
    EXPECT_TRUE(display.errors.empty());

    const auto stats = sim->stats("D272031D");
    for (int address = 0; address <= 255; ++address) {
        SCOPED_TRACE(address);
        const std::string key = std::to_string(address);
        const bool probed =
            address >= 2 && address <= 252 && address % 2 == 0 && address != kRouterAddress;
        EXPECT_EQ(stats.count("i2c_probes_" + key) ? stats.at("i2c_probes_" + key) : 0,
                  probed ? 1 : 0);
        if (probed) {
            EXPECT_EQ(stats.at("i2c_speed_" + key), 3);
        }
    }
}

TEST_F(RouterScan, RouteIsClearedOnTheRouterUnlessAnUpdateFollows) {
    scan(RouteAfterScan::Cleared);
    EXPECT_EQ(routeToMe(), 0u);
    EXPECT_EQ(sim->stats("D272031D").at("route_to_me_sets"), 2);
    EXPECT_EQ(sim->stats("0000BEEF").at("route_to_me_sets"), 0) << "the last device found";

    EXPECT_EQ(scan(RouteAfterScan::KeptForTransfer).size(), 2u);
    EXPECT_EQ(routeToMe(), 1u);
    EXPECT_EQ(sim->stats("D272031D").at("route_to_me_sets"), 3);
    EXPECT_EQ(sim->stats("0000BEEF").at("route_to_me_sets"), 0);
}

TEST_F(RouterScan, DevicesThatWillNotSayWhoTheyAreAreSkipped) {
    // One does not give its serial number; the other answers everything but its model.
    sim->fault("40F5849A", "cmd=3 opt=9 action=error:6");
    sim->fault("0000BEEF", "cmd=3 opt=8 action=error:9");
    const auto devices = scan(RouteAfterScan::KeptForTransfer);
    ASSERT_EQ(devices.size(), 1u);
    EXPECT_EQ(devices[0].spec.serial_num, 0x0000BEEFu);
    EXPECT_EQ(devices[0].error, aErrRead);
    EXPECT_EQ(devices[0].modelName, "Unknown");
    EXPECT_EQ(routeToMe(), 1u);
}

TEST_F(RouterScan, RouterThatCannotBeFoundOrWillNotRouteGivesNoDevices) {
    // TCP/IP would send the network query: the end-to-end tests look there, in a network of
    // their own.
    EXPECT_TRUE(discoverThroughRouter(app, 0x12345678, USB, RouteAfterScan::Cleared).empty());
    EXPECT_TRUE(display.errors.empty());

    sim->fault("D272031D", "cmd=3 opt=20 action=error:12 times=1");
    EXPECT_TRUE(scan(RouteAfterScan::KeptForTransfer).empty());
    EXPECT_EQ(display.errors, std::vector<std::string>{"Error 12 on route to me"});
    EXPECT_EQ(sim->stats("D272031D").count("i2c_probes_16"), 0u) << "no scan without the route";

    // With every device gone from the bus there is nothing to route to: the route is cleared.
    const unsigned emptyBus = sim->fault("D272031D", "cmd=8 action=error:3");
    EXPECT_TRUE(scan(RouteAfterScan::KeptForTransfer).empty());
    EXPECT_EQ(routeToMe(), 0u);
    EXPECT_EQ(sim->stats("D272031D").at("requests_8"), 125);

    // A router whose bus falls silent is not waited for address after address.
    sim->command("clear-faults D272031D " + std::to_string(emptyBus));
    sim->command("clear D272031D");
    sim->fault("D272031D", "cmd=8 action=drop");
    EXPECT_TRUE(scan(RouteAfterScan::Cleared).empty());
    EXPECT_EQ(sim->stats("D272031D").at("requests_8"), 3);
    EXPECT_EQ(routeToMe(), 0u);
}

}  // namespace
