// End to end: the device simulator's TCP devices answer the multicast query and are announced
// by beacon, as real devices and device servers are.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <thread>

#include "lynkor/aDiscovery.h"
#include "network_peers.h"
#include "records.h"
#include "support/device_sim.h"
#include "support/private_network.h"
#include "support/process.h"

namespace {

using namespace discovery_test;
using testing_support::DeviceSim;
using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

const linkSpec* bySerial(const Records& records, uint32_t serial) {
    auto spec = std::find_if(records.specs.begin(), records.specs.end(),
                             [&](const linkSpec& s) { return s.serial_num == serial; });
    return spec == records.specs.end() ? nullptr : &*spec;
}

bool acceptsConnections(const linkSpec& spec) {
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = spec.ip_address;
    address.sin_port = htons(static_cast<uint16_t>(spec.ip_port));
    const bool connected =
        connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
    close(fd);
    return connected;
}

TEST(SimulatedDevices, AnswerTheMulticastQuery) {
    REQUIRE_PRIVATE_NETWORK();
    DeviceSim sim({"--answer-queries", "--device", "40F5849A", "--model", "26", "--address", "6",
                   "--device", "0000BEEF", "--model", "13", "--address", "0x10"});
    Records records;
    EXPECT_EQ(aDiscovery_EnumerateModules(TCPIP, Records::collect, &records, 0), 2);
    ASSERT_EQ(records.specs.size(), 2u);

    const linkSpec* first = bySerial(records, 0x40F5849A);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->type, TCPIP);
    EXPECT_EQ(first->module, 6u);
    EXPECT_EQ(first->router, 6u);
    EXPECT_EQ(first->router_serial_num, 0x40F5849Au);
    EXPECT_EQ(first->model, 26u);
    EXPECT_EQ(first->ip_address, ipv4("127.0.0.1"));
    EXPECT_EQ(first->ip_port, static_cast<uint32_t>(sim.tcpPort("40F5849A")));
    EXPECT_TRUE(acceptsConnections(*first));

    const linkSpec* second = bySerial(records, 0x0000BEEF);
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(second->module, 0x10u);
    EXPECT_EQ(second->model, 13u);
    EXPECT_EQ(second->ip_address, ipv4("127.0.0.1"));
    EXPECT_EQ(second->ip_port, static_cast<uint32_t>(sim.tcpPort("0000BEEF")));
    EXPECT_TRUE(acceptsConnections(*second));
}

TEST(SimulatedDevices, CallbackReturningFalseStopsAtOneRecord) {
    REQUIRE_PRIVATE_NETWORK();
    DeviceSim sim({"--answer-queries", "--device", "00000001", "--device", "00000002"});
    Records records;
    records.stopAfter = 1;
    const auto start = Clock::now();
    EXPECT_EQ(aDiscovery_EnumerateModules(TCPIP, Records::collect, &records, 0), 1);
    EXPECT_LT(Clock::now() - start, 1500ms);
    EXPECT_EQ(records.specs.size(), 1u);
}

TEST(SimulatedDevices, AnnouncedByBeaconAndReportedOnce) {
    REQUIRE_PRIVATE_NETWORK();
    DeviceSim sim({"--device", "1234ABCD", "--model", "14", "--address", "4", "--beacon",
                   "--device", "00005678", "--beacon", "--device", "00009999"});
    Records records;
    const auto start = Clock::now();
    EXPECT_EQ(aDiscovery_Enumerate_TethraModules(Records::collect, &records, 0), 2);
    EXPECT_LT(Clock::now() - start, 2500ms);
    ASSERT_EQ(records.specs.size(), 2u) << "each device announces itself some 20 times";

    const linkSpec* announced = bySerial(records, 0x1234ABCD);
    ASSERT_NE(announced, nullptr);
    EXPECT_EQ(announced->type, TETHRA_TCPIP);
    EXPECT_EQ(announced->module, 4u);
    EXPECT_EQ(announced->router, 0u);
    EXPECT_EQ(announced->model, 14u);
    EXPECT_EQ(announced->ip_address, ipv4("127.0.0.1"));
    EXPECT_EQ(announced->ip_port, static_cast<uint32_t>(sim.tcpPort("1234ABCD")));
    EXPECT_NE(bySerial(records, 0x00005678), nullptr);
    EXPECT_EQ(bySerial(records, 0x00009999), nullptr) << "not marked to be announced";
}

}  // namespace

namespace {

TEST(SimulatedDevices, LocalServerStaysSilentWhileAnotherHostAsks) {
    REQUIRE_PRIVATE_NETWORK();
    DeviceSim sim({"--device", "1234ABCD", "--beacon"});
    const std::string discovery = "Lynkor2-Discovery";
    RepeatingSender otherHost("127.0.0.2", {Bytes(discovery.begin(), discovery.end())});
    ASSERT_TRUE(otherHost.ready());
    std::this_thread::sleep_for(100ms);
    Records records;
    EXPECT_EQ(aDiscovery_Enumerate_TethraModules(Records::collect, &records, 0), 0);
}

TEST(SimulatedDevices, BeaconNeedsATcpDevice) {
    const auto result = testing_support::runProcess(
        {testing_support::programPath("lynkor-sim"), "--device", "1", "--pty", "--beacon"});
    EXPECT_EQ(result.exitStatus, 2);
    EXPECT_NE(result.standardError.find("--beacon needs the device on TCP"), std::string::npos);
}

}  // namespace
