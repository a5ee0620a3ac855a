// The multicast query and its answers, against answers scripted on loopback.
#include <gtest/gtest.h>

#include <chrono>
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

constexpr uint16_t kDevicePort = 9888;

TEST(NetworkQuery, AnswersFromAnyPortCountAndOtherSizesAreIgnored) {
    REQUIRE_PRIVATE_NETWORK();
    Bytes shortAnswer = queryAnswer(4, 4000, 0x11111111, 13);
    shortAnswer.pop_back();
    Bytes longAnswer = queryAnswer(4, 4000, 0x22222222, 13);
    longAnswer.push_back(0);
    // Port 0: whatever port the system picks, as a device answering from a fresh socket does.
    QueryResponder responder({{kDevicePort, shortAnswer},
                              {kDevicePort, longAnswer},
                              {9777, queryAnswer(4, 4000, 0x33333333, 13)},
                              {kDevicePort, queryAnswer(6, 40123, 0x40F5849A, 26)},
                              {0, queryAnswer(8, 4001, 0x44444444, 5)},
                              {9889, Bytes(15, 0)},
                              {kDevicePort, Bytes(1000, 0)}});
    ASSERT_TRUE(responder.ready());

    Records records;
    const auto start = Clock::now();
    const uint8_t count = aDiscovery_EnumerateModules(TCPIP, Records::collect, &records, 0);
    const auto elapsed = Clock::now() - start;

    ASSERT_EQ(count, 3);
    ASSERT_EQ(records.specs.size(), 3u);
    EXPECT_EQ(records.specs[0].serial_num, 0x33333333u);
    EXPECT_EQ(records.specs[0].ip_port, 4000u);
    EXPECT_EQ(records.specs[2].serial_num, 0x44444444u);
    EXPECT_EQ(records.specs[2].module, 8u);
    const linkSpec& spec = records.specs[1];
    EXPECT_EQ(spec.type, TCPIP);
    EXPECT_EQ(spec.serial_num, 0x40F5849Au);
    EXPECT_EQ(spec.router_serial_num, 0x40F5849Au);
    EXPECT_EQ(spec.module, 6u);
    EXPECT_EQ(spec.router, 6u);
    EXPECT_EQ(spec.ip_port, 40123u);
    EXPECT_EQ(spec.model, 26u);
    EXPECT_EQ(spec.ip_address, ipv4("127.0.0.1"));
    // The answers come at once; then the receive waits out its 2000 ms.
    EXPECT_GE(elapsed, 1900ms);
    EXPECT_LT(elapsed, 3500ms);

    // Loopback's own address never carries the query; the second loopback address does.
    const auto queries = responder.queries();
    ASSERT_FALSE(queries.empty());
    for (const auto& [sender, bytes] : queries) {
        EXPECT_NE(sender, ipv4("127.0.0.1"));
        Bytes expected(16, 0);
        expected[0] = 1;
        EXPECT_EQ(bytes, expected);
    }
}

TEST(NetworkQuery, ADatagramFloodDoesNotProlongTheWait) {
    REQUIRE_PRIVATE_NETWORK();
    QueryResponder responder({{kDevicePort, queryAnswer(2, 5000, 0x0000AAAA, 4)}});
    ASSERT_TRUE(responder.ready());
    RepeatingSender flood("127.0.0.1", {Bytes(15, 1), Bytes(17, 2), Bytes(1400, 3)}, "127.0.0.2",
                          9889);
    ASSERT_TRUE(flood.ready());
    Records records;
    const auto start = Clock::now();
    EXPECT_EQ(aDiscovery_EnumerateModules(TCPIP, Records::collect, &records, ipv4("127.0.0.2")), 1);
    const auto elapsed = Clock::now() - start;
    EXPECT_GE(elapsed, 1900ms);
    EXPECT_LT(elapsed, 3500ms);
}

TEST(NetworkQuery, CallbackReturningFalseStopsAtOneRecord) {
    REQUIRE_PRIVATE_NETWORK();
    QueryResponder responder({{kDevicePort, queryAnswer(2, 5000, 0x0000AAAA, 4)},
                              {kDevicePort, queryAnswer(2, 5001, 0x0000BBBB, 5)}});
    ASSERT_TRUE(responder.ready());
    Records records;
    records.stopAfter = 1;
    const auto start = Clock::now();
    EXPECT_EQ(aDiscovery_EnumerateModules(TCPIP, Records::collect, &records, 0), 1);
    EXPECT_LT(Clock::now() - start, 1500ms) << "stopping must not wait out the time-out";
    ASSERT_EQ(records.specs.size(), 1u);
    EXPECT_EQ(records.specs[0].serial_num, 0x0000AAAAu);
}

TEST(NetworkQuery, CountStopsAt255RatherThanWrapping) {
    REQUIRE_PRIVATE_NETWORK();
    std::vector<QueryResponder::Answer> answers;
    for (uint32_t serial = 1; serial <= 260; ++serial) {
        answers.push_back({kDevicePort, queryAnswer(2, 5000, serial, 4)});
    }
    QueryResponder responder(answers);
    ASSERT_TRUE(responder.ready());
    Records records;
    EXPECT_EQ(aDiscovery_EnumerateModules(TCPIP, Records::collect, &records, 0), 255);
    EXPECT_EQ(records.specs.size(), 260u) << "every answer still reaches the callback";
}

TEST(NetworkQuery, FindModuleOnANamedInterface) {
    REQUIRE_PRIVATE_NETWORK();
    QueryResponder responder({{kDevicePort, queryAnswer(2, 5000, 0x0000AAAA, 4)},
                              {kDevicePort, queryAnswer(8, 5001, 0x0000BBBB, 5)}});
    ASSERT_TRUE(responder.ready());
    linkSpec* spec = aDiscovery_FindModule(TCPIP, 0x0000BBBB, ipv4("127.0.0.2"));
    ASSERT_NE(spec, nullptr);
    EXPECT_EQ(spec->module, 8u);
    EXPECT_EQ(spec->ip_port, 5001u);
    aLinkSpec_Destroy(&spec);
    for (const auto& [sender, bytes] : responder.queries()) {
        EXPECT_EQ(sender, ipv4("127.0.0.2"));
    }
    EXPECT_EQ(aDiscovery_FindModule(TCPIP, 0x0000CCCC, ipv4("127.0.0.2")), nullptr);
}

TEST(NetworkQuery, MachineWithoutUsableInterfaceEndsAtOnce) {
    REQUIRE_PRIVATE_NETWORK();
    uint8_t count = 99;
    Clock::duration elapsed{};
    std::thread isolated([&] {
        ASSERT_TRUE(enterEmptyNetwork());
        Records records;
        const auto start = Clock::now();
        count = aDiscovery_EnumerateModules(TCPIP, Records::collect, &records, 0);
        elapsed = Clock::now() - start;
    });
    isolated.join();
    EXPECT_EQ(count, 0);
    EXPECT_LT(elapsed, 500ms);
}

TEST(Enumeration, SerialAndUnknownTypesFindNothingAtOnce) {
    Records records;
    const auto start = Clock::now();
    EXPECT_EQ(aDiscovery_EnumerateModules(SERIAL, Records::collect, &records, 0), 0);
    EXPECT_EQ(aDiscovery_EnumerateModules(INVALID, Records::collect, &records, 0), 0);
    EXPECT_EQ(aDiscovery_EnumerateModules(static_cast<linkType>(8), Records::collect, &records, 0),
              0);
    EXPECT_EQ(aDiscovery_EnumerateModules(TCPIP, nullptr, nullptr, 0), 0);
    EXPECT_EQ(aDiscovery_FindFirstModule(SERIAL, 0), nullptr);
    EXPECT_LT(Clock::now() - start, 100ms);
    EXPECT_TRUE(records.specs.empty());
}

}  // namespace
