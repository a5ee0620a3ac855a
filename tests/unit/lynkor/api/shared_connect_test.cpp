// Connecting with sharing enabled: the device's link goes to a device server, and Links and
// Modules of this and other processes reach the device through it.
#include <arpa/inet.h>
#include <netinet/in.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "connected_module.h"
#include "lynkor/aLink.h"
#include "support/device_sim.h"

namespace {

using api_test::directConfig;
using Norvane::Lynkor::Link;
using Norvane::Lynkor::Module;
using Norvane::Lynkor::TethraConfig;
using testing_support::DeviceSim;

const uint32_t kLoopback = htonl(INADDR_LOOPBACK);

// Servers answer every discovery on this computer and tests run side by side, so each test's
// device has a serial number of its own.
uint32_t s_serialOfThisTest() {
    const std::string name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
    return static_cast<uint32_t>(std::hash<std::string>{}(name)) | 0x10000000u;
}

class SharedDevice : public ::testing::Test {
protected:
    static std::string s_hex(uint32_t value) {
        char text[9];
        std::snprintf(text, sizeof text, "%08X", value);
        return text;
    }
    linkSpec tcpSpec() {
        linkSpec spec{};
        spec.type = TCPIP;
        spec.serial_num = serial;
        spec.ip_address = kLoopback;
        spec.ip_port = static_cast<uint32_t>(sim.tcpPort(s_hex(serial)));
        return spec;
    }
    bool echoes(Module& module) {
        const uint8_t bytes[] = {0x5A, 0xA5};
        return module.debug(bytes, sizeof bytes) == aErrNone;
    }

    const uint32_t serial = s_serialOfThisTest();
    DeviceSim sim{
        {"--heartbeat-ms", "0", "--device", s_hex(serial), "--model", "13", "--address", "4"}};
};

TEST_F(SharedDevice, AConnectServesTheDeviceToLinksModulesAndDiscoveryAndTakesItAlong) {
    Module owner(4, uint8_t{13});
    ASSERT_EQ(owner.connectFromSpec(tcpSpec()), aErrNone);
    TethraConfig config;
    ASSERT_EQ(owner.getConfig(&config), aErrNone);
    EXPECT_NE(config.assignedPort, 0);
    EXPECT_EQ(config.networkInterface, kLoopback);
    EXPECT_TRUE(echoes(owner));
    // The device's own link is the server's alone.
    EXPECT_EQ(aLink_CreateTCPIP(serial, kLoopback, tcpSpec().ip_port), 0u);

    linkSpec served = tcpSpec();
    served.type = TETHRA_TCPIP;
    served.ip_port = config.assignedPort;
    Module byPort(4, uint8_t{13});
    ASSERT_EQ(byPort.connectFromSpec(served), aErrNone);
    EXPECT_TRUE(echoes(byPort));

    Module byBeacon(4, uint8_t{13});
    ASSERT_EQ(byBeacon.discoverAndConnect(TETHRA_CLIENT, serial), aErrNone);
    linkSpec found{};
    ASSERT_EQ(byBeacon.getLinkSpecifier(&found), aErrNone);
    EXPECT_EQ(found.ip_port, config.assignedPort);
    EXPECT_TRUE(echoes(byBeacon));

    // A module behind the owner reaches it through the owner's server.
    Module routed(6, uint8_t{0});
    ASSERT_EQ(routed.connectThroughLinkModule(&owner), aErrNone);
    ASSERT_EQ(routed.getLinkSpecifier(&found), aErrNone);
    EXPECT_EQ(found.type, TETHRA_CLIENT);
    EXPECT_EQ(found.ip_port, config.assignedPort);

    EXPECT_EQ(routed.disconnect(), aErrNone);
    EXPECT_EQ(owner.disconnect(), aErrNone);
    EXPECT_FALSE(echoes(byPort)) << "the server went with the owner's link";
    EXPECT_EQ(byPort.disconnect(), aErrNone);
    EXPECT_EQ(byBeacon.disconnect(), aErrNone);
    aLinkRef direct = aLink_CreateTCPIP(serial, kLoopback, tcpSpec().ip_port);
    EXPECT_NE(direct, 0u) << "the device is free again";
    aLink_Destroy(&direct);
}

TEST_F(SharedDevice, ALinkThatCannotBeServedIsReleasedOnceAndTheOtherHolderKeepsIt) {
    Module direct(4, uint8_t{13});
    ASSERT_EQ(direct.setConfig(directConfig()), aErrNone);
    ASSERT_EQ(direct.connectFromSpec(tcpSpec()), aErrNone);
    Module shared(4, uint8_t{13});
    EXPECT_EQ(shared.connectFromSpec(tcpSpec()), aErrConnection);
    EXPECT_FALSE(shared.isConnected());
    EXPECT_TRUE(echoes(direct));
    EXPECT_EQ(direct.disconnect(), aErrNone);
    EXPECT_EQ(shared.connectFromSpec(tcpSpec()), aErrNone) << "nothing left of the first link";
    EXPECT_TRUE(echoes(shared));
}

}  // namespace
