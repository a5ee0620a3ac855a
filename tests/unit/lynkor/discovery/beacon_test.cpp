// Beacon enumeration: records that device servers announce, on loopback and on an interface.
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <future>
#include <string>
#include <thread>

#include "lynkor/aDiscovery.h"
#include "network_peers.h"
#include "records.h"
#include "support/private_network.h"

namespace {

using namespace discovery_test;
using testing_support::enterEmptyNetwork;
using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

linkSpec announced(linkType type, uint32_t serial, const char* address, uint32_t port) {
    linkSpec spec{};
    spec.type = type;
    spec.serial_num = serial;
    spec.module = 6;
    spec.model = 13;
    spec.ip_address = ipv4(address);
    spec.ip_port = port;
    return spec;
}

struct Timed {
    uint8_t count = 0;
    Clock::duration elapsed{};
};

Timed enumerate(Records& records, uint32_t networkInterface) {
    const auto start = Clock::now();
    Timed result;
    result.count =
        aDiscovery_EnumerateModules(TETHRA_USB, Records::collect, &records, networkInterface);
    result.elapsed = Clock::now() - start;
    return result;
}

TEST(Beacons, OtherSizesIgnoredAndRepeatsReportedOnce) {
    REQUIRE_PRIVATE_NETWORK();
    const linkSpec spec = announced(TETHRA_USB, 0x0BADCAFE, "127.0.0.1", 40001);
    Bytes shorter = specBytes(announced(TETHRA_USB, 0x11111111, "127.0.0.1", 40002));
    shorter.pop_back();
    Bytes longer = specBytes(announced(TETHRA_USB, 0x22222222, "127.0.0.1", 40003));
    longer.push_back(0);
    RepeatingSender sender("127.0.0.1", {shorter, specBytes(spec), longer});
    ASSERT_TRUE(sender.ready());

    Records records;
    const Timed result = enumerate(records, 0);
    ASSERT_EQ(result.count, 1);
    ASSERT_EQ(records.specs.size(), 1u);
    EXPECT_EQ(std::memcmp(&records.specs[0], &spec, sizeof spec), 0);
    // Busy with beacons, the 22 receive attempts end early.
    EXPECT_LT(result.elapsed, 2500ms);
}

TEST(Beacons, LocalModeDropsAnotherHostsAddressUnlessThatHostSentIt) {
    REQUIRE_PRIVATE_NETWORK();
    const linkSpec elsewhere = announced(TETHRA_TCPIP, 0x0000E15E, "10.1.2.3", 40010);
    const linkSpec ownSender = announced(TETHRA_TCPIP, 0x00000512, "127.0.0.2", 40011);
    RepeatingSender fromLoopback("127.0.0.1", {specBytes(elsewhere)});
    RepeatingSender fromSecond("127.0.0.2", {specBytes(ownSender)});
    ASSERT_TRUE(fromLoopback.ready() && fromSecond.ready());

    Records records;
    EXPECT_EQ(enumerate(records, ipv4("127.0.0.1")).count, 1);
    ASSERT_EQ(records.specs.size(), 1u);
    EXPECT_EQ(records.specs[0].serial_num, 0x00000512u);
}

TEST(Beacons, CallbackReturningFalseStopsAtOneRecord) {
    REQUIRE_PRIVATE_NETWORK();
    RepeatingSender sender("127.0.0.1", {specBytes(announced(TETHRA_USB, 1, "127.0.0.1", 40020)),
                                         specBytes(announced(TETHRA_USB, 2, "127.0.0.1", 40021))});
    ASSERT_TRUE(sender.ready());
    Records records;
    records.stopAfter = 1;
    const Timed result = enumerate(records, 0);
    EXPECT_EQ(result.count, 1);
    EXPECT_EQ(records.specs.size(), 1u);
    EXPECT_LT(result.elapsed, 1000ms);
}

TEST(Beacons, NothingHeardEndsAfterTwentyTwoWaits) {
    REQUIRE_PRIVATE_NETWORK();
    Records records;
    const Timed result = enumerate(records, 0);
    EXPECT_EQ(result.count, 0);
    EXPECT_GE(result.elapsed, 2000ms);
    EXPECT_LT(result.elapsed, 3500ms);
}

TEST(Beacons, PublishesTheDiscoveryBeaconOnLoopbackAndRestoresTheInterface) {
    REQUIRE_PRIVATE_NETWORK();
    ASSERT_TRUE(zBeaconInterface_setAndLock("*"));
    zBeaconInterface_unlock();

    lynkor::platform::UdpSocket listener;
    ASSERT_TRUE(listener.setReuseAddress(true) && listener.setReusePort(true) &&
                listener.bind(ipv4("127.255.255.255"), 8585));
    auto enumeration = std::async(std::launch::async, [] {
        Records records;
        return enumerate(records, 0).count;
    });
    std::string heard;
    lynkor::platform::UdpPeer from;
    char beacon[64] = {};
    const ssize_t size = listener.receiveFrom(beacon, sizeof beacon, &from, nullptr, 2000ms);
    if (size > 0) {
        heard.assign(beacon, static_cast<size_t>(size));
    }
    EXPECT_EQ(enumeration.get(), 0);
    EXPECT_EQ(heard, "Lynkor2-Discovery");
    EXPECT_EQ(from.address, ipv4("127.0.0.1"));
    EXPECT_STREQ(zBeaconInterface_get(), "*");
}

TEST(Beacons, FindFirstModuleSkipsSerialZero) {
    REQUIRE_PRIVATE_NETWORK();
    RepeatingSender sender("127.0.0.1",
                           {specBytes(announced(TETHRA_SERIAL, 0, "127.0.0.1", 40030)),
                            specBytes(announced(TETHRA_SERIAL, 77, "127.0.0.1", 40031))});
    ASSERT_TRUE(sender.ready());
    linkSpec* spec = aDiscovery_FindFirstModule(TETHRA_SERIAL, 0);
    ASSERT_NE(spec, nullptr);
    EXPECT_EQ(spec->serial_num, 77u);
    EXPECT_EQ(spec->ip_port, 40031u);
    aLinkSpec_Destroy(&spec);
}

// Outside local mode the messaging library's own beacon runs on the named interface, and
// records from other hosts count.
TEST(Beacons, NamedInterfaceHearsOtherHosts) {
    REQUIRE_PRIVATE_NETWORK();
    const linkSpec spec = announced(TETHRA_TCPIP, 0x00C0FFEE, "10.77.0.2", 40040);
    RepeatingSender sender("10.77.0.2", {specBytes(spec)}, "10.77.0.255");
    ASSERT_TRUE(sender.ready());
    Records records;
    EXPECT_EQ(enumerate(records, ipv4("10.77.0.1")).count, 1);
    ASSERT_EQ(records.specs.size(), 1u);
    EXPECT_EQ(std::memcmp(&records.specs[0], &spec, sizeof spec), 0);
}

TEST(Beacons, MachineWithoutUsableInterfaceEndsAtOnce) {
    REQUIRE_PRIVATE_NETWORK();
    Timed result{99, {}};
    std::thread isolated([&] {
        ASSERT_TRUE(enterEmptyNetwork());
        Records records;
        result = enumerate(records, 0);
    });
    isolated.join();
    EXPECT_EQ(result.count, 0);
    EXPECT_LT(result.elapsed, 500ms);
}

}  // namespace
