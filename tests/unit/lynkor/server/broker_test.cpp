// The broker's routing, byte runs, limits and stream fan-out, against recorded sockets.
#include <gtest/gtest.h>

#include <set>
#include <utility>

#include "server/broker.h"
#include "server_test_support.h"

namespace {

using namespace lynkor::server;
using namespace server_test;

class RecordingPort : public BrokerPort {
public:
    SendResult sendToClient(const ClientIdentity& client, std::span<const uint8_t> bytes) override {
        if (unreachable.count(client) != 0) {
            return SendResult::kUnreachable;
        }
        toClients.emplace_back(client, Bytes(bytes.begin(), bytes.end()));
        return SendResult::kSent;
    }
    bool sendToSync(std::span<const uint8_t> request) override {
        if (syncFull) {
            return false;
        }
        toSync.push_back(*decodeRequest(request));
        return true;
    }

    std::vector<std::pair<ClientIdentity, Bytes>> toClients;
    std::vector<SyncRequest> toSync;
    std::set<ClientIdentity> unreachable;
    bool syncFull = false;
};

class BrokerTest : public ::testing::Test {
protected:
    void send(const ClientIdentity& client, const Bytes& content, uint64_t nowMs = 0) {
        broker.onClientMessage(client, {content}, nowMs);
    }
    void answer(uint32_t id, std::vector<Bytes> answers) {
        SyncReport report{SERVER_CMD_INCOMING_PACKETS, id, {}};
        for (const Bytes& bytes : answers) {
            report.answers.push_back(wire(bytes));
        }
        broker.onSyncReport(encodeReport(report));
    }
    void drop(uint32_t id) {
        broker.onSyncReport(encodeReport(SyncReport{SERVER_CMD_DROPPED_PACKET, id, {}}));
    }
    // Who received what, in order.
    std::vector<std::pair<ClientIdentity, Bytes>> received() const { return port.toClients; }

    RecordingPort port;
    Broker broker{port};
};

TEST_F(BrokerTest, EachAnswerReachesTheClientThatAskedWhateverOrderTheReportsCome) {
    send("A", frame(4, {23, 'a'}), 10);
    send("B", frame(4, {23, 'b'}), 11);
    send("C", frame(4, {23, 'c'}), 12);
    ASSERT_EQ(port.toSync.size(), 3u);
    EXPECT_EQ(port.toSync[0].queuedAtMs, 10u);
    EXPECT_EQ(port.toSync[1].packets[0].data()[1], 'b');
    answer(port.toSync[0].id, {frame(4, {23, 'a'})});
    // A report for a later request first: routing follows the request, not the queue.
    answer(port.toSync[2].id, {frame(4, {23, 'c'}), frame(4, {23, 'c', 2})});
    answer(port.toSync[1].id, {frame(4, {7})});
    using Sent = std::vector<std::pair<ClientIdentity, Bytes>>;
    EXPECT_EQ(received(), (Sent{{"A", frame(4, {23, 'a'})},
                                {"C", frame(4, {23, 'c'})},
                                {"C", frame(4, {23, 'c', 2})},
                                {"B", frame(4, {7})}}));
    EXPECT_EQ(broker.pendingCount(), 0u);
    // The same report twice, or one after a flush, reaches no one.
    answer(port.toSync[0].id, {frame(4, {23, 'x'})});
    send("A", frame(4, {23, 'd'}));
    broker.flushPending();
    answer(port.toSync[3].id, {frame(4, {23, 'd'})});
    EXPECT_EQ(received().size(), 4u);
    EXPECT_EQ(broker.counters().unmatchedReports, 2u);
}

TEST_F(BrokerTest, RefusesWhatIsNotExactlyOnePacketAndWhatBelongsToTheDeviceLink) {
    const std::vector<std::vector<Bytes>> malformed = {
        {},
        {frame(4, {23}), frame(4, {23})},
        {Bytes{}},
        {Bytes{4, 3, 23}},
        {Bytes{0, 1, 23}},
        {Bytes(31, 1)},
    };
    for (const auto& frames : malformed) {
        broker.onClientMessage("A", frames, 0);
    }
    EXPECT_EQ(broker.counters().malformed, malformed.size());
    send("A", frame(0xAF, {0}));
    EXPECT_EQ(broker.counters().blocked, 1u);
    // A continuation outside a run once queued a requester that no report would ever pop.
    send("A", runFrame(5, true));
    EXPECT_EQ(broker.counters().orphaned, 1u);
    EXPECT_TRUE(port.toSync.empty());
    EXPECT_EQ(broker.pendingCount(), 0u);

    send("B", frame(4, {23, 'b'}));
    ASSERT_EQ(port.toSync.size(), 1u);
    answer(port.toSync[0].id, {frame(4, {23, 'b'})});
    ASSERT_EQ(received().size(), 1u);
    EXPECT_EQ(received()[0].first, "B");
}

TEST_F(BrokerTest, AByteRunGoesAsOneRequestInOrderAndAWrongSequenceIsDropped) {
    send("A", runFrame(0, true));
    send("A", runFrame(1, true));
    send("A", runFrame(3, true));
    EXPECT_EQ(broker.counters().outOfSequence, 1u);
    EXPECT_TRUE(port.toSync.empty());
    send("A", runFrame(2, false));
    ASSERT_EQ(port.toSync.size(), 1u);
    const auto& packets = port.toSync[0].packets;
    ASSERT_EQ(packets.size(), 3u);
    for (uint8_t i = 0; i < 3; ++i) {
        EXPECT_EQ(runSequence(packets[i]), i);
    }
    EXPECT_EQ(broker.runCount(), 0u);
    answer(port.toSync[0].id, {frame(4, {0x10, 0xC1, 0})});
    ASSERT_EQ(received().size(), 1u);
    EXPECT_EQ(received()[0].first, "A");
}

TEST_F(BrokerTest, ALongRunWrapsItsSequenceAndOutlivesOtherClientsTraffic) {
    // Above 2000 packets (48 KB), with another client's typed requests between each of them.
    constexpr int kPackets = 2600;
    for (int i = 0; i < kPackets; ++i) {
        const bool last = i == kPackets - 1;
        send("A", runFrame(static_cast<uint8_t>(i % 128), !last, !last));
        send("B", frame(4, {3, 0x48, 0x20}));
        drop(port.toSync.back().id);
    }
    // Each of B's requests, and A's whole run just before B's last.
    ASSERT_EQ(port.toSync.size(), static_cast<size_t>(kPackets) + 1);
    EXPECT_EQ(port.toSync[kPackets - 1].packets.size(), static_cast<size_t>(kPackets));
    EXPECT_EQ(broker.counters().outOfSequence, 0u);
    EXPECT_EQ(broker.counters().expiredRuns, 0u);
}

TEST(BrokerLimitsTest, RunsOfSilentClientsExpireAndRunsStayWithinTheirLimits) {
    RecordingPort port;
    BrokerLimits limits;
    limits.runTimeToLive = 3;
    limits.runPackets = 4;
    limits.runPacketsTotal = 6;
    Broker broker(port, limits);
    broker.onClientMessage("A", {runFrame(0, true)}, 0);
    for (int i = 0; i < 4; ++i) {
        broker.onClientMessage("B", {frame(4, {3, 0x48, 0x20})}, 0);
    }
    EXPECT_EQ(broker.counters().expiredRuns, 1u);
    EXPECT_EQ(broker.runCount(), 0u);

    limits.runTimeToLive = 100;
    Broker capped(port, limits);
    for (uint8_t i = 0; i < 5; ++i) {
        capped.onClientMessage("C", {runFrame(i, true)}, 0);
    }
    EXPECT_EQ(capped.runCount(), 0u) << "a run longer than its limit is given up";
    for (const ClientIdentity client : {"D", "E", "F", "G", "H", "I", "J"}) {
        capped.onClientMessage(client, {runFrame(0, true)}, 0);
    }
    EXPECT_EQ(capped.runCount(), 6u);
    EXPECT_EQ(capped.counters().overLimit, 2u);
}

TEST(BrokerLimitsTest, WaitingRequestsAreCappedPerClientAndInAll) {
    RecordingPort port;
    BrokerLimits limits;
    limits.pendingPerClient = 2;
    limits.pendingTotal = 3;
    Broker broker(port, limits);
    for (int i = 0; i < 5; ++i) {
        broker.onClientMessage("flood", {frame(4, {23})}, 0);
    }
    broker.onClientMessage("A", {frame(4, {23})}, 0);
    broker.onClientMessage("B", {frame(4, {23})}, 0);
    EXPECT_EQ(port.toSync.size(), 3u);
    EXPECT_EQ(broker.counters().overLimit, 4u);
    broker.onSyncReport(encodeReport(SyncReport{SERVER_CMD_DROPPED_PACKET, port.toSync[0].id, {}}));
    broker.onClientMessage("B", {frame(4, {23})}, 0);
    EXPECT_EQ(port.toSync.size(), 4u);

    // A request that the sync pair cannot take leaves no one waiting for it.
    port.syncFull = true;
    broker.onSyncReport(encodeReport(SyncReport{SERVER_CMD_DROPPED_PACKET, port.toSync[1].id, {}}));
    broker.onClientMessage("C", {frame(4, {23})}, 0);
    EXPECT_EQ(broker.pendingCount(), 2u);
}

TEST_F(BrokerTest, StreamBatchesGoOnlyToClientsThatAskedAndGoneClientsAreForgotten) {
    const Bytes enable = frame(4, {93, 0x81, 0x20, 0x10, 1, 0, 0xFF});
    send("A", enable);
    send("A", enable);
    send("C", enable);
    EXPECT_EQ(port.toSync.size(), 3u) << "the enable request still goes to the device";
    EXPECT_EQ(broker.streamClientCount(), 2u);
    const Bytes batch = {4, 5, 0x10, 1, 0x41, 0, 9, 4, 5, 0x10, 1, 0x41, 0, 10};
    broker.onStreamBatch(batch);
    using Sent = std::vector<std::pair<ClientIdentity, Bytes>>;
    EXPECT_EQ(received(), (Sent{{"A", batch}, {"C", batch}}));
    port.unreachable.insert("C");
    broker.onStreamBatch(batch);
    EXPECT_EQ(broker.streamClientCount(), 1u);
}

}  // namespace
