// -D -r: the devices on a router's I2C bus, each reached through the router.
#include "e2e/discovery/discovery_fixture.h"

namespace discovery_e2e {
namespace {

constexpr int kRouterAddress = 6;

const std::string kRouterSearch = "Searching for Lynkor Network devices connected to D272031D\n";
const std::string kRoutedRows =
    "    40F5849A  10       06      Lintel         2.10.4 (      4242)         \n"
    "    0000BEEF  20       06      Unknown        2.9.1 (      1000)         \n";

class RouterDiscovery : public DiscoveryTest {
protected:
    // A router with two devices behind it, at bus addresses 0x10 and 0x20.
    void startRouter(const std::vector<std::string>& routerTransport) {
        startDevices(joined({
            {"--device", "D272031D", "--address", "6", "--model", "19"},
            routerTransport,
            {"--device", "40F5849A", "--behind", "D272031D", "--address", "0x10"},
            {"--model", "17", "--build", "4242", "--name", "Far"},
            {"--device", "0000BEEF", "--behind", "D272031D", "--address", "0x20"},
            {"--version", "2.9.1", "--model", "250"},
        }));
    }

    // Every even bus address but the router's own was probed once, at speed code 3.
    void expectOneProbePerAddress(int scans) {
        const auto stats = sim->stats("D272031D");
        for (int address = 0; address <= 255; ++address) {
            SCOPED_TRACE(address);
            const std::string probes = "i2c_probes_" + std::to_string(address);
            const bool scanned =
                address >= 2 && address <= 252 && address % 2 == 0 && address != kRouterAddress;
            EXPECT_EQ(stats.count(probes) ? stats.at(probes) : 0, scanned ? scans : 0);
            if (scanned) {
                EXPECT_EQ(stats.at("i2c_speed_" + std::to_string(address)), 3);
            }
        }
    }

    // The router no longer routes to this host, and no device behind it was told anything.
    void expectRouteCleared(int scans) {
        EXPECT_EQ(sim->number("D272031D", "3 20 0"), 0u);
        EXPECT_EQ(sim->stats("D272031D").at("route_to_me_sets"), 2 * scans);
        EXPECT_EQ(sim->stats("40F5849A").at("route_to_me_sets"), 0);
        EXPECT_EQ(sim->stats("0000BEEF").at("route_to_me_sets"), 0);
    }
};

TEST_F(RouterDiscovery, UsbRouterScanFindsTheDevicesBehindIt) {
    startRouter({"--usb"});
    // Without -t the router is looked for on USB first, and the table names no transport.
    expectDiscovery({"-D", "-r", "D272031D"}, kRouterSearch + "Discovered Devices: (Unknown)\n" +
                                                  kAddressHeader + kRoutedRows);
    expectOneProbePerAddress(1);
    expectRouteCleared(1);

    expectDiscovery({"-D", "-r", "D272031D", "-t", "USB"},
                    kRouterSearch + "Discovered Devices: (USB)\n" + kUsbHeader + kRoutedRows);
    expectOneProbePerAddress(2);
    expectRouteCleared(2);

    // The scan's diagnostics: where the router was found, each address tried, each device met.
    const auto traced = runUpdater({"-D", "-r", "D272031D", "-X", "0x101"});
    EXPECT_EQ(traced.exitStatus, 0);
    const std::string& trace = traced.standardError;
    EXPECT_EQ(trace.rfind("NETWORK: Found device [D272031D] via link type [1]\n"
                          "Found Link Module\n"
                          "Searching Address 0x02\n"
                          "Searching Address 0x04\n"
                          "Searching Address 0x08\n",
                          0),
              0u)
        << trace;
    EXPECT_NE(trace.find("Searching Address 0x10\n"
                         "Attempt Connect on address: 0x10\n"
                         "Got Serial [0x40F5849A]\n"
                         "Searching Address 0x12\n"),
              std::string::npos);
    EXPECT_NE(trace.find("Attempt Connect on address: 0x20\nGot Serial [0x0000BEEF]\n"),
              std::string::npos);
    EXPECT_TRUE(trace.ends_with("Searching Address 0xfc\n")) << trace;
    expectOneProbePerAddress(3);
    expectRouteCleared(3);
}

TEST_F(RouterDiscovery, TcpRouterScanShowsTheRoutersAddress) {
    REQUIRE_PRIVATE_NETWORK();
    startRouter({"--tcp", "--answer-queries"});
    expectDiscovery(
        {"-D", "-r", "D272031D", "-t", "TCPIP"},
        kRouterSearch + "Discovered Devices: (TCPIP)\n" + kAddressHeader +
            tcpRow("40F5849A  10       06      Lintel         2.10.4 (      4242)", "") +
            tcpRow("0000BEEF  20       06      Unknown        2.9.1 (      1000)", ""));
    expectOneProbePerAddress(1);
    expectRouteCleared(1);
}

TEST_F(RouterDiscovery, RouterFoundNowhereGivesAnEmptyTable) {
    REQUIRE_PRIVATE_NETWORK();
    // Looked for on USB, then on the network.
    expectDiscovery({"-D", "-r", "D272031D"},
                    kRouterSearch + "Discovered Devices: (Unknown)\n    No devices found.\n");
}

}  // namespace
}  // namespace discovery_e2e
