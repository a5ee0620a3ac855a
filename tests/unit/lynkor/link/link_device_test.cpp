// The link engine against the simulated device program over TCP and the packetized serial line.
#include <arpa/inet.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <thread>

#include "link/link_life.h"
#include "link/link_table.h"
#include "lynkor/aLink.h"
#include "scripted_stream.h"
#include "support/device_sim.h"
#include "support/emulated_usb_bus.h"
#include "support/packet_ptr.h"

namespace {

using namespace std::chrono_literals;
using link_test::eventually;
using link_test::LinkHolder;
using testing_support::DeviceSim;

const uint32_t kLoopback = htonl(INADDR_LOOPBACK);
constexpr uint8_t kCmdDebug = 23;

using testing_support::PacketPtr;

uint8_t s_isEcho(const aPacket* packet, void*) {
    return packet->data_size >= 1 && packet->data[0] == kCmdDebug;
}

uint8_t s_isHeartbeat(const aPacket* packet, void*) {
    return packet->data_size == 2 && packet->data[0] == 0;
}

// Sends an echo request and waits for its answer from the device.
bool echoes(aLinkRef link, uint8_t address, uint8_t tag) {
    const uint8_t data[3] = {kCmdDebug, 0x01, tag};
    PacketPtr request(aPacket_CreateWithData(address, 3, data));
    if (aLink_PutPacket(link, request.get()) != aErrNone) {
        return false;
    }
    PacketPtr reply(aLink_AwaitFirst(link, s_isEcho, nullptr, 2000));
    return reply != nullptr && reply->address == address && reply->data_size == 3 &&
           reply->data[2] == tag;
}

long stat(DeviceSim& sim, const std::string& serial, const std::string& name) {
    return sim.stats(serial)[name];
}

class LinkOverTcp : public ::testing::Test {
protected:
    DeviceSim sim{{"--heartbeat-ms", "0", "--device", "40F5849A", "--address", "4"}};
    LinkHolder link{
        aLink_CreateTCPIP(0x40F5849A, kLoopback, static_cast<uint32_t>(sim.tcpPort("40F5849A")))};
};

TEST_F(LinkOverTcp, RunsSynchronisesAndCarriesRequestsAndReplies) {
    ASSERT_NE(link.get(), 0u);
    EXPECT_EQ(aLink_GetStatus(link.get()), STATUS_RUNNING);
    // Start queues the route switch; a sync empties the outbound queue, so let it go out first.
    EXPECT_TRUE(eventually([&] { return stat(sim, "40F5849A", "route_on") == 1; }));
    EXPECT_EQ(lynkor::link::aLink_Sync(link.get()), aErrNone);
    EXPECT_EQ(aLink_GetStatus(link.get()), STATUS_RUNNING);
    EXPECT_GE(stat(sim, "40F5849A", "queries"), 6);
    EXPECT_TRUE(echoes(link.get(), 4, 0x31));
    EXPECT_EQ(stat(sim, "40F5849A", "route_on"), 1);
}

TEST_F(LinkOverTcp, HeartbeatDownIsAnsweredWithThreeAndNeverQueued) {
    ASSERT_NE(link.get(), 0u);
    ASSERT_EQ(sim.control("heartbeat 40F5849A 1").back(), "ok");
    EXPECT_TRUE(eventually([&] { return stat(sim, "40F5849A", "last_heartbeat_answer") == 3; }));
    ASSERT_EQ(sim.control("heartbeat 40F5849A 0").back(), "ok");
    EXPECT_TRUE(eventually([&] { return stat(sim, "40F5849A", "last_heartbeat_answer") == 2; }));
    EXPECT_EQ(aLink_DrainPackets(link.get(), s_isHeartbeat, nullptr), 0u);
    EXPECT_EQ(stat(sim, "40F5849A", "heartbeat_answers"), 2);
}

TEST_F(LinkOverTcp, APacketFromAnOddAddressForcesAResync) {
    ASSERT_NE(link.get(), 0u);
    const long queriesBefore = stat(sim, "40F5849A", "queries");
    ASSERT_EQ(sim.control("raw 40F5849A 05 00").back(), "ok");
    EXPECT_TRUE(eventually([&] { return stat(sim, "40F5849A", "queries") >= queriesBefore + 6; }));
    EXPECT_TRUE(eventually([&] { return aLink_GetStatus(link.get()) == STATUS_RUNNING; }));
    // The odd packet never reached the application; the sync answers may have.
    while (PacketPtr packet{aLink_GetPacket(link.get())}) {
        EXPECT_EQ(packet->address, 4);
    }
    EXPECT_TRUE(echoes(link.get(), 4, 0x32));
}

TEST_F(LinkOverTcp, StoppingSendsTheRouteSwitchOffBeforeTheStreamCloses) {
    ASSERT_NE(link.get(), 0u);
    EXPECT_EQ(link.destroy(), aErrNone);
    EXPECT_TRUE(eventually([&] { return stat(sim, "40F5849A", "route_off") == 1; }));
    EXPECT_EQ(sim.history("40F5849A").back(), "AF0100");
}

TEST_F(LinkOverTcp, SameSerialNumberSharesOneLinkUntilTheLastHolderGoes) {
    ASSERT_NE(link.get(), 0u);
    aLinkRef second =
        aLink_CreateTCPIP(0x40F5849A, kLoopback, static_cast<uint32_t>(sim.tcpPort("40F5849A")));
    EXPECT_EQ(second, link.get());
    EXPECT_EQ(aLink_Destroy(&second), aErrNone);
    EXPECT_TRUE(echoes(link.get(), 4, 0x33));
    const aLinkRef id = link.get();
    EXPECT_EQ(link.destroy(), aErrNone);
    EXPECT_EQ(aLink_GetStatus(id), STATUS_NO_STREAM);
}

TEST_F(LinkOverTcp, GarbageAndTruncatedPacketsEndInAResyncNotAHang) {
    ASSERT_NE(link.get(), 0u);
    // A zero address, a length above 28, then a packet cut short.
    ASSERT_EQ(sim.control("raw 40F5849A 00 04 1D FF 04 05 01").back(), "ok");
    std::this_thread::sleep_for(100ms);
    // Whatever state that left, a sync brings the link back in step.
    EXPECT_EQ(lynkor::link::aLink_Sync(link.get()), aErrNone);
    EXPECT_TRUE(echoes(link.get(), 4, 0x34));
}

TEST_F(LinkOverTcp, ASilentDeviceDoesNotGrowTheOutboundQueueWhileTheLinkResyncs) {
    ASSERT_NE(link.get(), 0u);
    ASSERT_EQ(sim.control("mute 40F5849A on").back(), "ok");
    ASSERT_EQ(sim.control("raw 40F5849A 05").back(), "ok");
    ASSERT_TRUE(eventually([&] { return aLink_GetStatus(link.get()) == STATUS_SYNCING; }));
    std::shared_ptr<lynkor::link::LinkRecord> record = lynkor::link::sLookupEntryByID(link.get());
    ASSERT_NE(record, nullptr);
    const long queriesBefore = stat(sim, "40F5849A", "queries");
    uint32_t longest = 0;
    for (int sample = 0; sample < 50; ++sample) {
        longest = std::max(longest, aPacketFifo_GetLength(record->outbound));
        std::this_thread::sleep_for(10ms);
    }
    // Six queries per empty read, and the socket's reads wait up to 20 ms each.
    EXPECT_LT(longest, 60u);
    EXPECT_LT(stat(sim, "40F5849A", "queries") - queriesBefore, 6 * 100);
    // The device comes back: the link finds its step again by itself.
    ASSERT_EQ(sim.control("mute 40F5849A off").back(), "ok");
    EXPECT_TRUE(eventually([&] { return aLink_GetStatus(link.get()) == STATUS_RUNNING; }));
    EXPECT_TRUE(echoes(link.get(), 4, 0x36));
}

TEST_F(LinkOverTcp, ADeviceThatFallsSilentOrHangsUpNeverBlocksDestroy) {
    ASSERT_NE(link.get(), 0u);
    ASSERT_EQ(sim.control("mute 40F5849A on").back(), "ok");
    EXPECT_FALSE(echoes(link.get(), 4, 0x35));
    ASSERT_EQ(sim.control("hangup 40F5849A").back(), "ok");
    std::this_thread::sleep_for(100ms);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(link.destroy(), aErrNone);
    EXPECT_LT(std::chrono::steady_clock::now() - start, 5s);
}

class FakeServer : public lynkor::link::LinkServerHandle {
public:
    explicit FakeServer(bool& gone) : gone_(gone) {}
    ~FakeServer() override { gone_ = true; }

private:
    bool& gone_;
};

TEST(LinkDeviceServer, ALinkWithAServerIsNotSharedAndGoesWithTheClientLinkTiedToIt) {
    DeviceSim sim({"--heartbeat-ms", "0", "--device", "00000077", "--address", "2"});
    const uint32_t port = static_cast<uint32_t>(sim.tcpPort("00000077"));
    aLinkRef device = aLink_CreateTCPIP(0x77, kLoopback, port);
    ASSERT_NE(device, 0u);
    bool serverGone = false;
    ASSERT_TRUE(lynkor::link::sAttachServer(device, std::make_unique<FakeServer>(serverGone)));
    // The device is now reached through its server only.
    EXPECT_EQ(aLink_CreateTCPIP(0x77, kLoopback, port), 0u);

    auto script = std::make_shared<link_test::ScriptedStream>(5ms);
    aLinkRef client = aLink_Create(link_test::ScriptedStream::open(script));
    ASSERT_NE(client, 0u);
    ASSERT_TRUE(lynkor::link::sSetDeviceLink(client, device));
    script->release();
    EXPECT_EQ(aLink_Destroy(&client), aErrNone);
    EXPECT_TRUE(serverGone);
    EXPECT_EQ(aLink_GetStatus(device), STATUS_NO_STREAM);
    EXPECT_TRUE(eventually([&] { return stat(sim, "00000077", "route_off") == 1; }));
}

TEST(LinkOverTcpLoss, ADeviceProgramThatDiesLeavesALinkThatStillDestroys) {
    auto sim = std::make_unique<DeviceSim>(
        std::vector<std::string>{"--heartbeat-ms", "0", "--device", "00000031", "--address", "6"});
    LinkHolder link(
        aLink_CreateTCPIP(0x31, kLoopback, static_cast<uint32_t>(sim->tcpPort("00000031"))));
    ASSERT_NE(link.get(), 0u);
    sim.reset();
    std::this_thread::sleep_for(100ms);
    EXPECT_EQ(PacketPtr(aLink_AwaitPacket(link.get(), 100)), nullptr);
    EXPECT_EQ(link.destroy(), aErrNone);
}

// A device that restarts closes its connection (in order or by a reset) and stops listening for
// a while. The link must see it leave, report that it is not connected, and come back with it.
class LinkOverTcpRestart : public ::testing::TestWithParam<const char*> {};

TEST_P(LinkOverTcpRestart, TheLinkSeesTheDeviceLeaveAndRunsAgainWhenItIsBack) {
    DeviceSim sim({"--heartbeat-ms", "0", "--device", "40F5849A", "--address", "4"});
    LinkHolder link(
        aLink_CreateTCPIP(0x40F5849A, kLoopback, static_cast<uint32_t>(sim.tcpPort("40F5849A"))));
    ASSERT_NE(link.get(), 0u);
    ASSERT_TRUE(echoes(link.get(), 4, 0x61));

    sim.restart("40F5849A", std::string("down=1000 close=") + GetParam() + " now");
    EXPECT_TRUE(eventually([&] { return aLink_GetStatus(link.get()) == STATUS_IO_ERROR; }));
    EXPECT_EQ(sim.restart("40F5849A").at("state"), "down");
    EXPECT_FALSE(echoes(link.get(), 4, 0x62));

    EXPECT_TRUE(eventually([&] { return aLink_GetStatus(link.get()) == STATUS_RUNNING; }));
    EXPECT_TRUE(echoes(link.get(), 4, 0x63));
    // A TCP link does not synchronise when it is made: these queries are its resync.
    EXPECT_GE(stat(sim, "40F5849A", "queries"), 6);
    EXPECT_EQ(link.destroy(), aErrNone);
}

INSTANTIATE_TEST_SUITE_P(ByHowTheDeviceCloses, LinkOverTcpRestart, ::testing::Values("fin", "rst"),
                         [](const auto& info) { return std::string(info.param); });

class LinkOverSerial : public ::testing::Test {
protected:
    DeviceSim sim{{"--heartbeat-ms", "0", "--device", "1234ABCD", "--address", "8", "--pty"}};
};

TEST_F(LinkOverSerial, SynchronisesCarriesPacketsAndAnswersHeartbeatsOnThePacketizedLine) {
    LinkHolder link(aLink_CreateSerial(0x1234ABCD, sim.ptyPath("1234ABCD").c_str(), 115200));
    ASSERT_NE(link.get(), 0u);
    EXPECT_EQ(lynkor::link::aLink_Sync(link.get()), aErrNone);
    EXPECT_EQ(aLink_GetStatus(link.get()), STATUS_RUNNING);
    EXPECT_TRUE(echoes(link.get(), 8, 0x41));
    ASSERT_EQ(sim.control("heartbeat 1234ABCD 1").back(), "ok");
    EXPECT_TRUE(eventually([&] { return stat(sim, "1234ABCD", "last_heartbeat_answer") == 3; }));
    EXPECT_EQ(aLink_DrainPackets(link.get(), s_isHeartbeat, nullptr), 0u);
    EXPECT_EQ(link.destroy(), aErrNone);
    EXPECT_TRUE(eventually([&] { return stat(sim, "1234ABCD", "route_off") == 1; }));
}

TEST_F(LinkOverSerial, AnUnsupportedRateMakesNoLinkAndASupportedOneDoes) {
    const std::string path = sim.ptyPath("1234ABCD");
    EXPECT_EQ(aLink_CreateSerial(0x1234ABCD, path.c_str(), 1200), 0u);
    LinkHolder link(aLink_CreateSerial(0x1234ABCD, path.c_str(), 115200));
    EXPECT_NE(link.get(), 0u);
    EXPECT_EQ(aLink_CreateSerial(0x99, "/dev/no-such-line", 115200), 0u);
}

TEST_F(LinkOverSerial, LineNoiseEndsInAResyncAndTheLinkCarriesOn) {
    LinkHolder link(aLink_CreateSerial(0x1234ABCD, sim.ptyPath("1234ABCD").c_str(), 115200));
    ASSERT_NE(link.get(), 0u);
    // Bytes outside any frame, and a frame with a wrong CRC.
    ASSERT_EQ(sim.control("raw 1234ABCD 13 37 00 02 AD 02 68 00").back(), "ok");
    // A bad frame is a failed read: the link reports it, then resynchronises by itself.
    std::this_thread::sleep_for(50ms);
    EXPECT_TRUE(eventually([&] {
        return aLink_GetStatus(link.get()) == STATUS_RUNNING && echoes(link.get(), 8, 0x42);
    }));
}

TEST(LinkOverUsb, OneSerialNumberMakesOneSynchronisedLinkThatTheSecondDestroyFrees) {
    testing_support::EmulatedUsbBus bus;
    DeviceSim sim({"--heartbeat-ms", "0", "--usb-dir", bus.path(), "--device", "40F5849A",
                   "--address", "4", "--model", "17", "--usb"});
    aLinkRef first = aLink_CreateUSB(0x40F5849A);
    ASSERT_NE(first, 0u);
    EXPECT_EQ(aLink_GetStatus(first), STATUS_RUNNING);
    EXPECT_GE(stat(sim, "40F5849A", "queries"), 6);
    // The sync leaves nothing behind for the application.
    EXPECT_EQ(PacketPtr(aLink_GetPacket(first)), nullptr);

    aLinkRef second = aLink_CreateUSB(0x40F5849A);
    EXPECT_EQ(second, first);
    EXPECT_EQ(aLink_Destroy(&second), aErrNone);
    EXPECT_EQ(aLink_GetStatus(first), STATUS_RUNNING);
    EXPECT_TRUE(echoes(first, 4, 0x51));

    const aLinkRef id = first;
    EXPECT_EQ(aLink_Destroy(&first), aErrNone);
    EXPECT_EQ(aLink_GetStatus(id), STATUS_NO_STREAM);
    EXPECT_TRUE(eventually([&] { return stat(sim, "40F5849A", "route_off") == 1; }));
    EXPECT_EQ(aLink_CreateUSB(0x0BADBEEF), 0u);
}

TEST(LinkOverUsb, ResetMakesANewStreamAfterTheDeviceLeftTheBus) {
    testing_support::EmulatedUsbBus bus;
    DeviceSim sim({"--heartbeat-ms", "0", "--usb-dir", bus.path(), "--device", "00000042",
                   "--address", "2", "--usb"});
    LinkHolder link(aLink_CreateUSB(0x42));
    ASSERT_NE(link.get(), 0u);
    ASSERT_EQ(sim.control("hangup 00000042").back(), "ok");
    EXPECT_EQ(aLink_Reset(link.get()), aErrNone);
    EXPECT_EQ(aLink_GetStatus(link.get()), STATUS_RUNNING);
    EXPECT_TRUE(echoes(link.get(), 2, 0x52));
    EXPECT_EQ(stat(sim, "00000042", "route_on"), 2);
}

}  // namespace
