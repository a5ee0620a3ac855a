// -D over TCP/IP: the devices that answer the network query, each read over its own connection,
// in the test's private network.
#include "e2e/discovery/discovery_fixture.h"

namespace discovery_e2e {
namespace {

const std::string kTcpTable = "Discovered Devices: (TCPIP)\n" + kAddressHeader;

TEST_F(DiscoveryTest, TcpTableReadsEachDeviceAtItsOwnPace) {
    REQUIRE_PRIVATE_NETWORK();
    // Each answers after its own delay; the second's name takes two packets, the third's model is
    // one this tool has no name for, the last has gone away since it answered the query.
    startDevices(joined({
        {"--answer-queries"},
        {"--device", "40F5849A", "--address", "4", "--model", "17", "--build", "12345"},
        {"--version", "2.10.3", "--name", "Hidden"},
        {"--device", "0000BEEF", "--address", "0x10", "--model", "14", "--build", "4294967295"},
        {"--version", "2.11.0", "--name", "Bench supply, left rack no.17"},
        {"--reply-delay-ms", "300"},
        {"--device", "1234ABCD", "--address", "0x2A", "--model", "250", "--build", "7"},
        {"--name", "Lab", "--reply-delay-ms", "600"},
        {"--device", "00C0FFEE", "--address", "8", "--model", "4"},
    }));
    sim->restart("00C0FFEE", "down=30000 now");
    const std::string table =
        kSearching + kTcpTable +
        tcpRow("40F5849A  04       04      Lintel         2.10.3 (     12345)", "") +
        tcpRow("0000BEEF  10       10      Gantry         2.11.0 (4294967295)",
               "Bench supply, left rack no.17") +
        tcpRow("1234ABCD  2A       2A      Unknown        2.10.4 (         7)", "Lab") +
        // Unread, it shows what the query said of it.
        tcpRow("00C0FFEE  08       08      Quillon        0.0.0 (         0)", "");
    expectDiscovery({"-D", "-t", "TCPIP"}, table);
    expectDiscovery({"-D", "-t", "TCP"}, table);
}

TEST_F(DiscoveryTest, NoDeviceOnTheNetworkGivesAnEmptyTable) {
    REQUIRE_PRIVATE_NETWORK();
    expectDiscovery({"-D", "-t", "TCPIP"}, kSearching +
                                               "Discovered Devices: (TCPIP)\n"
                                               "    No devices found.\n");
}

}  // namespace
}  // namespace discovery_e2e
