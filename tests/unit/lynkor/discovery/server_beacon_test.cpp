// A device server on a named interface, found there by beacon.
#include <gtest/gtest.h>

#include "lynkor/aDiscovery.h"
#include "lynkor/aLink.h"
#include "network_peers.h"
#include "support/device_sim.h"
#include "support/private_network.h"

namespace {

using namespace discovery_test;

TEST(ServerBeacons, AServerOnANamedInterfaceAnswersThereAndListensNowhereElse) {
    REQUIRE_PRIVATE_NETWORK();
    testing_support::DeviceSim sim(
        {"--heartbeat-ms", "0", "--device", "00C0FFEE", "--model", "13", "--address", "6"});
    aLinkRef device = aLink_CreateTCPIP(0x00C0FFEE, ipv4("127.0.0.1"),
                                        static_cast<uint32_t>(sim.tcpPort("00C0FFEE")));
    ASSERT_NE(device, 0u);
    uint16_t port = 0;
    uint32_t interfaceAddress = ipv4("10.77.0.1");
    aLinkRef client = aLink_CreateServer(device, &port, &interfaceAddress, false);
    ASSERT_NE(client, 0u);
    EXPECT_EQ(interfaceAddress, ipv4("10.77.0.1"));

    linkSpec* spec = aDiscovery_FindModule(TETHRA_USB, 0x00C0FFEE, ipv4("10.77.0.1"));
    ASSERT_NE(spec, nullptr);
    EXPECT_EQ(spec->type, TETHRA_TCPIP);
    EXPECT_EQ(spec->ip_address, ipv4("10.77.0.1"));
    EXPECT_EQ(spec->ip_port, port);
    EXPECT_EQ(spec->module, 6u);
    EXPECT_EQ(spec->model, 13u);
    aLinkSpec_Destroy(&spec);
    // Discovery of this computer only does not see a server of the network.
    EXPECT_EQ(aDiscovery_FindModule(TETHRA_USB, 0x00C0FFEE, 0), nullptr);

    EXPECT_EQ(aLink_CreateClient(ipv4("127.0.0.1"), port, 0), 0u) << "not on every address";
    aLinkRef other = aLink_CreateClient(ipv4("10.77.0.1"), port, 0);
    EXPECT_NE(other, 0u);
    aLink_Destroy(&other);
    aLink_Destroy(&client);
}

}  // namespace
