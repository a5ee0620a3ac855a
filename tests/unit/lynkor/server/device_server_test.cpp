// A device server on a simulated device over TCP, with client links in this process.
#include <arpa/inet.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <thread>

#include "link/link_table.h"
#include "lynkor/aDiscovery.h"
#include "lynkor/aLink.h"
#include "support/device_sim.h"
#include "support/eventually.h"
#include "support/packet_ptr.h"

namespace {

using namespace std::chrono_literals;
using testing_support::DeviceSim;

const uint32_t kLoopback = htonl(INADDR_LOOPBACK);
constexpr uint8_t kAddress = 4;
constexpr uint8_t kModel = 13;
constexpr uint8_t kCmdDebug = 23;

using testing_support::eventually;
using testing_support::PacketPtr;

void put(aLinkRef link, std::initializer_list<uint8_t> data, uint8_t address = kAddress) {
    const std::vector<uint8_t> bytes(data);
    PacketPtr packet(
        aPacket_CreateWithData(address, static_cast<uint8_t>(bytes.size()), bytes.data()));
    ASSERT_EQ(aLink_PutPacket(link, packet.get()), aErrNone);
}

uint8_t s_anyEcho(const aPacket* packet, void*) {
    return packet->data_size >= 1 && packet->data[0] == kCmdDebug;
}

// The echo that comes back for tag, or false after the wait.
bool echoes(aLinkRef link, uint8_t id, uint8_t tag, uint32_t waitMs = 1000) {
    put(link, {kCmdDebug, id, tag});
    PacketPtr answer(aLink_AwaitFirst(link, s_anyEcho, nullptr, waitMs));
    return answer != nullptr && answer->address == kAddress && answer->data_size == 3 &&
           answer->data[1] == id && answer->data[2] == tag;
}

// Servers answer every discovery on this computer and tests run side by side, so each test's
// device has a serial number of its own.
uint32_t s_serialOfThisTest() {
    const std::string name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
    return static_cast<uint32_t>(std::hash<std::string>{}(name)) | 0x10000000u;
}

std::string s_hex(uint32_t serial) {
    char text[9];
    std::snprintf(text, sizeof text, "%08X", serial);
    return text;
}

class ServedDevice : public ::testing::Test {
protected:
    ~ServedDevice() override {
        if (client != 0) {
            aLink_Destroy(&client);
        } else if (device != 0) {
            aLink_Destroy(&device);
        }
    }
    long stat(const std::string& name) { return sim.stats(serialText)[name]; }
    uint32_t tcpPort() { return static_cast<uint32_t>(sim.tcpPort(serialText)); }
    std::string control(const std::string& verb, const std::string& argument) {
        return sim.control(verb + " " + serialText + " " + argument).back();
    }
    aLinkRef serve() { return aLink_CreateServer(device, &port, &interfaceAddress, true); }

    const uint32_t serial = s_serialOfThisTest();
    const std::string serialText = s_hex(serial);
    DeviceSim sim{
        {"--heartbeat-ms", "0", "--device", serialText, "--model", "13", "--address", "4"}};
    aLinkRef device = aLink_CreateTCPIP(serial, kLoopback, tcpPort());
    uint16_t port = 0;
    uint32_t interfaceAddress = 0;
    aLinkRef client = 0;
};

TEST_F(ServedDevice, ServesClientsSideBySideAndTheDeviceOnlyThroughItsServer) {
    ASSERT_NE(device, 0u);
    client = serve();
    ASSERT_NE(client, 0u);
    EXPECT_NE(port, 0);
    EXPECT_EQ(interfaceAddress, kLoopback);
    aLinkRef second = aLink_CreateClient(interfaceAddress, port, 0);
    ASSERT_NE(second, 0u);

    std::atomic<int> answered{0};
    auto run = [&](aLinkRef link, uint8_t id) {
        for (int i = 0; i < 200; ++i) {
            answered += echoes(link, id, static_cast<uint8_t>(i)) ? 1 : 0;
        }
    };
    std::thread first(run, client, 1);
    run(second, 2);
    first.join();
    EXPECT_EQ(answered, 400);

    EXPECT_EQ(aLink_CreateTCPIP(serial, kLoopback, tcpPort()), 0u);
    EXPECT_EQ(aLink_Reset(device), aErrBusy);
    EXPECT_EQ(aLink_InstallUserPacketFilter(device, s_anyEcho, nullptr), aErrBusy);
    // The clients' own route switches never reach the device; only the device link's did.
    EXPECT_EQ(stat("route_on"), 1);
    // One message per packet: a client link never pools.
    EXPECT_EQ(aLink_EnablePooledPackets(second, true), aErrNone);
    EXPECT_FALSE(lynkor::link::sLookupEntryByID(second)->pooled);

    EXPECT_EQ(aLink_Destroy(&second), aErrNone);
    EXPECT_EQ(aLink_Destroy(&client), aErrNone);
    EXPECT_EQ(aLink_GetStatus(device), STATUS_NO_STREAM) << "the device link went with it";
    device = 0;
    EXPECT_TRUE(eventually([&] { return stat("route_off") == 1; }));
    EXPECT_EQ(aLink_CreateClient(interfaceAddress, port, 0), 0u) << "the port is closed";
}

TEST_F(ServedDevice, RefusesLinksWhoseAnswersItWouldStealAndLeavesThemAsTheyWere) {
    ASSERT_NE(device, 0u);
    // Another holder of the same link.
    ASSERT_EQ(aLink_CreateTCPIP(serial, kLoopback, tcpPort()), device);
    EXPECT_EQ(serve(), 0u);
    aLinkRef other = device;
    ASSERT_EQ(aLink_Destroy(&other), aErrNone);
    EXPECT_TRUE(echoes(device, 1, 1));

    // A user filter of the caller's.
    ASSERT_EQ(aLink_InstallUserPacketFilter(device, s_anyEcho, nullptr), aErrNone);
    EXPECT_EQ(serve(), 0u);
    ASSERT_EQ(aLink_InstallUserPacketFilter(device, nullptr, nullptr), aErrNone);

    EXPECT_EQ(aLink_CreateServer(device, nullptr, &interfaceAddress, true), 0u);
    EXPECT_EQ(aLink_CreateServer(device, &port, nullptr, true), 0u);
    EXPECT_EQ(aLink_CreateServer(device + 1000, &port, &interfaceAddress, true), 0u);

    // A link over a caller's stream is no device kind a server can announce.
    aStream* stream = nullptr;
    ASSERT_EQ(aStream_CreateSocket(kLoopback, static_cast<uint16_t>(tcpPort()), &stream), aErrNone);
    aLinkRef overStream = aLink_Create(stream);
    ASSERT_NE(overStream, 0u);
    EXPECT_EQ(aLink_CreateServer(overStream, &port, &interfaceAddress, true), 0u);
    aLink_Destroy(&overStream);

    client = serve();
    ASSERT_NE(client, 0u);
    EXPECT_EQ(serve(), 0u) << "served already";
    EXPECT_TRUE(echoes(client, 1, 2));
}

TEST_F(ServedDevice, ADeviceThatCannotTellItsModelStaysTheCallersAndCanBeServedLater) {
    ASSERT_NE(device, 0u);
    ASSERT_EQ(control("mute", "on"), "ok");
    EXPECT_EQ(serve(), 0u);
    ASSERT_EQ(control("mute", "off"), "ok");
    EXPECT_EQ(aLink_GetStatus(device), STATUS_RUNNING);
    EXPECT_TRUE(echoes(device, 1, 1, 3000)) << "no filter or server left on the link";
    client = serve();
    ASSERT_NE(client, 0u);
    EXPECT_TRUE(echoes(client, 1, 2));
}

TEST_F(ServedDevice, ASilentDeviceTimesOutOneRequesterAndTheNextIsServed) {
    ASSERT_NE(device, 0u);
    client = serve();
    ASSERT_NE(client, 0u);
    aLinkRef second = aLink_CreateClient(interfaceAddress, port, 0);
    ASSERT_NE(second, 0u);
    ASSERT_EQ(control("mute", "on"), "ok");
    EXPECT_FALSE(echoes(client, 1, 1));
    ASSERT_EQ(control("mute", "off"), "ok");
    // Behind the silent request, which the server gives up after 2 s.
    EXPECT_TRUE(echoes(second, 2, 2, 3000));
    EXPECT_EQ(PacketPtr(aLink_AwaitPacket(client, 200)), nullptr) << "nothing of it for the first";

    // A packet the device sends on its own is not the answer to the next request.
    ASSERT_EQ(control("packet", "17EEEE"), "ok");
    std::this_thread::sleep_for(100ms);
    EXPECT_TRUE(echoes(client, 1, 3));
    EXPECT_EQ(PacketPtr(aLink_AwaitPacket(client, 100)), nullptr);
    EXPECT_EQ(PacketPtr(aLink_AwaitPacket(second, 100)), nullptr);
    aLink_Destroy(&second);
}

uint8_t s_isSample(const aPacket* packet, void*) {
    return packet->data_size == 5 && packet->data[0] == 0x10 && (packet->data[2] & 0x40) != 0;
}

TEST_F(ServedDevice, StreamSamplesReachOnlyTheClientThatAskedForThem) {
    ASSERT_NE(device, 0u);
    client = serve();
    ASSERT_NE(client, 0u);
    aLinkRef second = aLink_CreateClient(interfaceAddress, port, 0);
    ASSERT_NE(second, 0u);
    // Enables a key that matches none of the device's own values: the only samples are the two
    // sent below.
    put(client, {93, 0x81, 0x20, 0x10, 0x01, 0x00, 0xFF});
    EXPECT_TRUE(echoes(second, 2, 1, 3000));
    ASSERT_EQ(control("packet", "1001410007"), "ok");
    ASSERT_EQ(control("packet", "1001410008"), "ok");
    ASSERT_EQ(control("heartbeat", "0"), "ok");
    PacketPtr first(aLink_AwaitFirst(client, s_isSample, nullptr, 2000));
    PacketPtr next(aLink_AwaitFirst(client, s_isSample, nullptr, 500));
    ASSERT_NE(first, nullptr);
    ASSERT_NE(next, nullptr);
    EXPECT_EQ(first->data[4], 7);
    EXPECT_EQ(next->data[4], 8);
    EXPECT_EQ(PacketPtr(aLink_AwaitFirst(second, s_isSample, nullptr, 300)), nullptr);
    EXPECT_TRUE(eventually([&] { return stat("last_heartbeat_answer") == 2; }))
        << "heartbeats are still answered by the device link";
    aLink_Destroy(&second);
}

TEST_F(ServedDevice, DiscoveryFindsTheServerByBeacon) {
    ASSERT_NE(device, 0u);
    client = serve();
    ASSERT_NE(client, 0u);
    linkSpec* spec = aDiscovery_FindModule(TETHRA_TCPIP, serial, 0);
    ASSERT_NE(spec, nullptr);
    EXPECT_EQ(spec->type, TETHRA_TCPIP);
    EXPECT_EQ(spec->module, kAddress);
    EXPECT_EQ(spec->model, kModel);
    EXPECT_EQ(spec->ip_address, kLoopback);
    EXPECT_EQ(spec->ip_port, port);
    aLinkSpec_Destroy(&spec);
}

}  // namespace
