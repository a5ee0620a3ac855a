// Connecting Links and Modules: the refusals, the fallback, routing through a router's link,
// learning the module address, and the packet log.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>

#include "connected_module.h"
#include "lynkor/aTrace.h"
#include "support/temp_dir.h"

namespace {

using namespace api_test;
using Norvane::Lynkor::Link;
using Norvane::Lynkor::Module;
using Norvane::Lynkor::TethraConfig;

TEST(Connect, RefusalsLeaveNoLinkBehind) {
    TcpDevice device;
    struct Case {
        const char* name;
        bool hasSpec;
        int32_t type;
        bool enabled;
        aErr expected;
    };
    const std::vector<Case> cases = {
        {"no spec", false, TCPIP, false, aErrConfiguration},
        {"shared USB device that is not there", true, USB, true, aErrConnection},
        {"client kind without sharing", true, TETHRA_CLIENT, false, aErrConfiguration},
        {"unknown kind", true, 9, false, aErrMode},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Link link("test");
        TethraConfig config = directConfig();
        config.enabled = c.enabled;
        ASSERT_EQ(link.setConfig(config), aErrNone);
        if (c.hasSpec) {
            linkSpec spec = device.spec();
            spec.type = c.type;
            ASSERT_EQ(link.setLinkSpecifier(spec), aErrNone);
        }
        EXPECT_EQ(link.connect(), c.expected);
        EXPECT_FALSE(link.isConnected());
        EXPECT_EQ(link.getStatus(), STATUS_FAULT);
        EXPECT_EQ(link.disconnect(), aErrNone);
    }

    // Nothing listens at the port: the connect fails, and a retry once it listens succeeds.
    linkSpec closed = device.spec();
    {
        TcpDevice gone;
        closed.ip_port = gone.spec().ip_port;
    }
    Link link(closed, "test");
    link.setConfig(directConfig());
    EXPECT_EQ(link.connect(), aErrConnection);
    EXPECT_EQ(link.setLinkSpecifier(device.spec()), aErrNone);
    EXPECT_EQ(link.connect(), aErrNone);
    EXPECT_EQ(link.connect(), aErrConnection);
    EXPECT_EQ(link.setConfig(directConfig()), aErrMode);
    EXPECT_EQ(link.setLinkSpecifier(device.spec()), aErrBusy);
    EXPECT_STREQ(link.getName(), "test");
}

TEST(Connect, DiscoveryFallsBackOnceWhenAllowed) {
    testing::internal::CaptureStdout();
    aTrace_Set(true, aTRACE_OBJECTS);
    for (bool fallback : {false, true}) {
        Link link("test");
        TethraConfig config = directConfig();
        config.fallback = fallback;
        link.setConfig(config);
        EXPECT_EQ(link.discoverAndConnect(USB, 0x0BADF00D, 0), aErrNotFound);
    }
    aTrace_Set(false, 0);
    const std::string trace = testing::internal::GetCapturedStdout();
    EXPECT_EQ(trace, "Executing Fallback - old type: 1 - new type: 4\n");
}

TEST(Connect, ModuleLearnsItsAddressAndRoutedModulesKeepTheirs) {
    TcpDevice device(8);
    device.respond([](const Packet& p) {
        return std::vector<Packet>{reply(p.address, {73, 0xFF, 0, 0, 0, p.address})};
    });
    auto router = std::make_unique<Module>(2, uint8_t{0});
    router->setConfig(directConfig());
    EXPECT_EQ(router->connectFromSpec(device.spec()), aErrNone);
    EXPECT_EQ(router->getModuleAddress(), 8);
    EXPECT_EQ(router->connectFromSpec(device.spec()), aErrBusy);

    Module first(6, uint8_t{0});
    Module second(10, uint8_t{0});
    Module unconnected(12, uint8_t{0});
    EXPECT_EQ(unconnected.connectThroughLinkModule(&first), aErrInitialization);
    EXPECT_EQ(first.connectThroughLinkModule(router.get()), aErrNone);
    EXPECT_EQ(second.connectThroughLinkModule(router.get()), aErrNone);
    EXPECT_EQ(first.connectThroughLinkModule(router.get()), aErrNone);
    router.reset();
    for (Module* module : {&first, &second}) {
        uint32_t build = 0;
        EXPECT_EQ(module->getBuild(&build), aErrNone);
        EXPECT_EQ(build, module->getModuleAddress());
    }
    // Reconnecting after a disconnect uses the linkSpec kept from the router.
    EXPECT_EQ(first.disconnect(), aErrNone);
    EXPECT_FALSE(first.isConnected());
    EXPECT_EQ(second.getLink()->reset(), aErrNone);
}

TEST(Connect, PacketLogWritesEveryPacketUntilDisconnect) {
    testing_support::TempDir dir;
    const std::string path = dir.path() + "/packets.log";
    ConnectedModule fixture;
    ASSERT_EQ(fixture.connected, aErrNone);
    fixture.device.respond(
        [](const Packet& p) { return std::vector<Packet>{reply(p.address, p.data)}; });
    Link unconnected("none");
    EXPECT_EQ(unconnected.enablePacketLog(path.c_str()), aErrConfiguration);
    EXPECT_EQ(unconnected.disablePacketLog(), aErrConfiguration);

    ASSERT_EQ(fixture.module.enablePacketLog(path.c_str()), aErrNone);
    const uint8_t echo[] = {0xAB};
    EXPECT_EQ(fixture.module.debug(echo, 1), aErrNone);
    EXPECT_EQ(fixture.module.disablePacketLog(), aErrNone);
    EXPECT_EQ(fixture.module.disconnect(), aErrNone);

    // The writer records a packet once it is written, so the reply may come first, and the
    // address query made on connecting may still be recorded after the marker.
    std::ifstream file(path, std::ios::binary);
    std::vector<std::string> lines;
    for (std::string line; std::getline(file, line);) {
        lines.push_back(line);
    }
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines[0], "5 < START\r");
    std::erase(lines, "2 > 0xAD 0x0 \r");
    std::sort(lines.begin() + 1, lines.end());
    EXPECT_EQ(lines, (std::vector<std::string>{"5 < START\r", "4 < 0x4 0x2 0x17 0xAB \r",
                                               "4 > 0x4 0x2 0x17 0xAB \r"}));
}

}  // namespace
