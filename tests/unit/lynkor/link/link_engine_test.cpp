// The link engine driven byte by byte through a scripted stream: sync, heartbeats, the user
// filter, pooled writes, the packet debug log.
#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <map>
#include <thread>

#include "link/link_life.h"
#include "link/link_table.h"
#include "lynkor/aLink.h"
#include "scripted_stream.h"
#include "support/packet_ptr.h"

namespace {

using namespace std::chrono_literals;
using link_test::Bytes;
using link_test::eventually;
using link_test::LinkHolder;
using link_test::ScriptedStream;

const Bytes kQuery{0xAD, 0x00};
const Bytes kRouteOn{0xAF, 0x01, 0x01};

using testing_support::PacketPtr;

uint8_t s_acceptAll(const aPacket*, void*) {
    return 1;
}

// A link over a scripted stream whose reads wait long, so that the engine sends nothing of its
// own accord while the test is not feeding it.
struct ScriptedLink {
    explicit ScriptedLink(std::chrono::milliseconds emptyWait = 3s)
        : script(std::make_shared<ScriptedStream>(emptyWait)),
          link(aLink_Create(ScriptedStream::open(script)), script) {}
    aLinkRef id() const { return link.get(); }
    size_t queries() { return script->countWrites(kQuery); }
    bool waitForQueries(size_t count) {
        return script->waitForWrites([&](const std::vector<Bytes>& writes) {
            return static_cast<size_t>(std::count(writes.begin(), writes.end(), kQuery)) >= count;
        });
    }

    std::shared_ptr<ScriptedStream> script;
    LinkHolder link;
};

TEST(LinkSync, InStepSequenceBringsTheLinkToRunningAndAMismatchRestartsIt) {
    ScriptedLink scripted;
    ASSERT_NE(scripted.id(), 0u);
    EXPECT_EQ(aLink_GetStatus(scripted.id()), STATUS_RUNNING);
    ASSERT_TRUE(scripted.script->waitForWrites(
        [](const auto& writes) { return !writes.empty() && writes[0] == kRouteOn; }));

    // An odd address puts the link out of step: six queries go out.
    scripted.script->feed({0x05});
    ASSERT_TRUE(eventually([&] { return aLink_GetStatus(scripted.id()) == STATUS_SYNCING; }));
    ASSERT_TRUE(scripted.waitForQueries(6));

    // 04 00 06: the third byte is not the first again; back to the start state, and only the
    // next byte sends six more queries.
    scripted.script->feed({0x04, 0x00, 0x06});
    std::this_thread::sleep_for(100ms);
    EXPECT_EQ(scripted.queries(), 6u);
    EXPECT_EQ(aLink_GetStatus(scripted.id()), STATUS_SYNCING);
    scripted.script->feed({0x00});
    ASSERT_TRUE(scripted.waitForQueries(12));
    std::this_thread::sleep_for(50ms);
    EXPECT_EQ(scripted.queries(), 12u);

    scripted.script->feed({0x04, 0x00, 0x04, 0x00});
    EXPECT_TRUE(eventually([&] { return aLink_GetStatus(scripted.id()) == STATUS_RUNNING; }));
    // Nothing of the sync reaches the application.
    EXPECT_EQ(PacketPtr(aLink_GetPacket(scripted.id())), nullptr);
}

TEST(LinkSync, SyncRequestedByTheCreatorCompletesOnTheDevicesAnswers) {
    ScriptedLink scripted;
    auto sync =
        std::async(std::launch::async, [&] { return lynkor::link::aLink_Sync(scripted.id()); });
    ASSERT_TRUE(eventually([&] { return aLink_GetStatus(scripted.id()) == STATUS_SYNCING; }));
    // The first byte in the syncing state starts the procedure.
    scripted.script->feed({0x00});
    ASSERT_TRUE(scripted.waitForQueries(6));
    scripted.script->feed({0x08, 0x00, 0x08, 0x00, 0x08, 0x00});
    EXPECT_EQ(sync.get(), aErrNone);
    EXPECT_EQ(aLink_GetStatus(scripted.id()), STATUS_RUNNING);
    // The left-over answer was dropped with the inbound queue's content.
    EXPECT_EQ(PacketPtr(aLink_GetPacket(scripted.id())), nullptr);
}

TEST(LinkSync, AwaitFirstOnASyncingLinkReturnsAtOnce) {
    ScriptedLink scripted;
    scripted.script->feed({0x07});
    ASSERT_TRUE(eventually([&] { return aLink_GetStatus(scripted.id()) == STATUS_SYNCING; }));
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(PacketPtr(aLink_AwaitFirst(scripted.id(), s_acceptAll, nullptr, 2000)), nullptr);
    EXPECT_LT(std::chrono::steady_clock::now() - start, 500ms);
}

TEST(LinkSync, ASilentDeviceDoesNotFloodTheOutboundQueue) {
    // A stream that answers "nothing yet" without any wait: the reader paces itself.
    ScriptedLink scripted(0ms);
    scripted.script->feed({0x05});
    ASSERT_TRUE(eventually([&] { return aLink_GetStatus(scripted.id()) == STATUS_SYNCING; }));
    const size_t before = scripted.queries();
    std::this_thread::sleep_for(500ms);
    const size_t sent = scripted.queries() - before;
    EXPECT_GT(sent, 0u);
    // Six queries per 10 ms pause, with ample room for scheduling; a reader that spun would
    // send thousands.
    EXPECT_LT(sent, 6u * 200);
    std::shared_ptr<lynkor::link::LinkRecord> record =
        lynkor::link::sLookupEntryByID(scripted.id());
    ASSERT_NE(record, nullptr);
    EXPECT_LT(aPacketFifo_GetLength(record->outbound), 60u);
}

TEST(LinkHeartbeat, AnsweredWithValuePlusTwoAndNeverQueued) {
    ScriptedLink scripted;
    scripted.script->feed({0x04, 0x02, 0x00, 0x01, 0x04, 0x02, 0x00, 0x00});
    EXPECT_TRUE(scripted.script->waitForWrites([](const auto& writes) {
        return std::count(writes.begin(), writes.end(), Bytes{0x04, 0x02, 0x00, 0x03}) == 1 &&
               std::count(writes.begin(), writes.end(), Bytes{0x04, 0x02, 0x00, 0x02}) == 1;
    }));
    // Three data bytes make an ordinary packet.
    scripted.script->feed({0x04, 0x03, 0x00, 0x01, 0x02});
    PacketPtr packet(aLink_AwaitPacket(scripted.id(), 2000));
    ASSERT_NE(packet, nullptr);
    EXPECT_EQ(packet->data_size, 3);
    EXPECT_EQ(packet->data[2], 0x02);
    EXPECT_EQ(PacketPtr(aLink_GetPacket(scripted.id())), nullptr);
}

uint8_t s_takeAll(const aPacket*, void* ref) {
    ++*static_cast<std::atomic<int>*>(ref);
    return 1;
}

TEST(LinkUserFilter, AFilterThatTakesEverythingLeavesNothingQueuedAndNoHeartbeatAnswered) {
    ScriptedLink scripted;
    std::atomic<int> seen{0};
    ASSERT_EQ(aLink_InstallUserPacketFilter(scripted.id(), s_takeAll, &seen), aErrNone);
    scripted.script->feed({0x04, 0x02, 0x00, 0x01, 0x04, 0x01, 0x17});
    ASSERT_TRUE(eventually([&] { return seen == 2; }));
    std::this_thread::sleep_for(50ms);
    EXPECT_EQ(PacketPtr(aLink_GetPacket(scripted.id())), nullptr);
    EXPECT_EQ(scripted.script->countWrites({0x04, 0x02, 0x00, 0x03}), 0u);

    // Removed, packets reach the queue again.
    ASSERT_EQ(aLink_InstallUserPacketFilter(scripted.id(), nullptr, nullptr), aErrNone);
    scripted.script->feed({0x04, 0x01, 0x17});
    EXPECT_NE(PacketPtr(aLink_AwaitPacket(scripted.id(), 2000)), nullptr);
    EXPECT_EQ(seen, 2);
}

TEST(LinkPooledWrites, FourHundredTenBytePacketsGoOutAs339And61) {
    auto script = std::make_shared<ScriptedStream>(3s);
    // Hold the writer in its first write (the route switch) while the packets are queued.
    script->closeGate();
    LinkHolder pooled(aLink_Create(ScriptedStream::open(script)), script);
    ASSERT_NE(pooled.get(), 0u);
    ASSERT_TRUE(script->waitForHeldWriter(5s));
    ASSERT_EQ(aLink_EnablePooledPackets(pooled.get(), true), aErrNone);
    const uint8_t data[10] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
    PacketPtr packet(aPacket_CreateWithData(0x04, 10, data));
    for (int i = 0; i < 400; ++i) {
        ASSERT_EQ(aLink_PutPacket(pooled.get(), packet.get()), aErrNone);
    }
    script->openGate();
    ASSERT_TRUE(script->waitForWrites([](const auto& writes) { return writes.size() >= 3; }));
    std::this_thread::sleep_for(50ms);
    std::vector<Bytes> writes = script->writes();
    ASSERT_EQ(writes.size(), 3u);
    EXPECT_EQ(writes[0], kRouteOn);
    // 339 packets of 12 bytes make 4068, the first total above 4066.
    EXPECT_EQ(writes[1].size(), 339u * 12);
    EXPECT_EQ(Bytes(writes[1].begin(), writes[1].begin() + 12),
              (Bytes{0x04, 10, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10}));
    EXPECT_EQ(writes[2].size(), 61u * 12);
}

TEST(LinkPacketLog, RecordsSentAndReceivedPacketsOnceEnabled) {
    ScriptedLink scripted;
    // The route switch of the start goes out before recording begins.
    ASSERT_TRUE(scripted.script->waitForWrites([](const auto& writes) { return !writes.empty(); }));
    std::this_thread::sleep_for(50ms);
    uint8_t mark = 0;
    uint32_t length = 64;
    uint8_t buffer[64];
    EXPECT_EQ(aLink_PacketDebug_Read(scripted.id(), &mark, &length, buffer), aErrNotReady);
    EXPECT_EQ(aLink_PacketDebug_Disable(scripted.id()), aErrNotReady);
    EXPECT_EQ(aLink_PacketDebug_SetLogSize(scripted.id(), aLINK_LOG_MAX_SIZE + 1), aErrParam);
    EXPECT_EQ(aLink_PacketDebug_SetLogSize(scripted.id(), 1024), aErrNone);
    ASSERT_EQ(aLink_PacketDebug_Enable(scripted.id()), aErrNone);
    EXPECT_EQ(aLink_PacketDebug_SetLogSize(scripted.id(), 2048), aErrBusy);

    const uint8_t data[2] = {0x17, 0x01};
    PacketPtr request(aPacket_CreateWithData(0x04, 2, data));
    ASSERT_EQ(aLink_PutPacket(scripted.id(), request.get()), aErrNone);
    ASSERT_TRUE(scripted.script->waitForWrites([](const auto& writes) {
        return !writes.empty() && writes.back() == Bytes{0x04, 0x02, 0x17, 0x01};
    }));
    scripted.script->feed({0x04, 0x01, 0x17});
    ASSERT_NE(PacketPtr(aLink_AwaitPacket(scripted.id(), 2000)), nullptr);

    // The writer records a packet once its write returns, so the two may come in either order.
    std::map<uint8_t, Bytes> records;
    for (int i = 0; i < 2; ++i) {
        length = sizeof buffer;
        ASSERT_TRUE(eventually([&] {
            return aLink_PacketDebug_Read(scripted.id(), &mark, &length, buffer) == aErrNone;
        }));
        records[mark] = Bytes(buffer, buffer + length);
    }
    EXPECT_EQ(records[aLINK_LOG_SENT], (Bytes{0x04, 0x02, 0x17, 0x01}));
    EXPECT_EQ(records[aLINK_LOG_RECEIVED], (Bytes{0x04, 0x01, 0x17}));

    EXPECT_EQ(aLink_PacketDebug_Write(scripted.id(), 3, 2, data), aErrNone);
    EXPECT_EQ(aLink_PacketDebug_Disable(scripted.id()), aErrNone);
    length = sizeof buffer;
    EXPECT_EQ(aLink_PacketDebug_Read(scripted.id(), &mark, &length, buffer), aErrNone);
    EXPECT_EQ(mark, 3);
}

TEST(LinkTable, UnknownIdsAndFailedCreationLeaveNothingBehind) {
    EXPECT_EQ(aLink_GetStatus(0), STATUS_NO_STREAM);
    EXPECT_EQ(aLink_GetStatus(999999), STATUS_NO_STREAM);
    aLinkRef unknown = 999999;
    EXPECT_EQ(aLink_Destroy(&unknown), aErrParam);
    EXPECT_EQ(unknown, 0u);
    EXPECT_EQ(aLink_Destroy(nullptr), aErrParam);
    EXPECT_EQ(aLink_PutPacket(999999, nullptr), aErrParam);
    EXPECT_EQ(aLink_Create(nullptr), 0u);
    EXPECT_EQ(aLink_CreateClient(0, 0, 999999), 0u);

    ScriptedLink first;
    EXPECT_EQ(aLink_CreateSerial(0x77, "/dev/null", 1200), 0u);
    EXPECT_EQ(lynkor::link::sLookupEntryByID(first.id() + 1), nullptr);
    // An id is never reused: the refused link's id stays unused.
    ScriptedLink second;
    EXPECT_EQ(second.id(), first.id() + 2);
}

TEST(LinkLife, DestroyStopsWithTheRouteSwitchAndSharedHoldersKeepTheLinkAlive) {
    ScriptedLink scripted;
    aLinkRef id = scripted.id();
    EXPECT_EQ(aLink_CreateClient(0, 0, id), id);
    aLinkRef second = id;
    EXPECT_EQ(aLink_Destroy(&second), aErrNone);
    EXPECT_EQ(second, 0u);
    EXPECT_EQ(aLink_GetStatus(id), STATUS_RUNNING);

    EXPECT_EQ(scripted.link.destroy(), aErrNone);
    EXPECT_EQ(aLink_GetStatus(id), STATUS_NO_STREAM);
    EXPECT_EQ(scripted.script->writes().back(), (Bytes{0xAF, 0x01, 0x00}));
}

std::atomic<bool> s_readsFail{false};

aErr s_flakyGet(uint8_t*, void*) {
    std::this_thread::sleep_for(2ms);
    return s_readsFail ? aErrIO : aErrNotReady;
}

aErr s_discardWrite(const uint8_t*, size_t, void*) {
    return aErrNone;
}

TEST(LinkLife, ReadErrorsReportIoErrorAndAStreamThatRecoversResynchronises) {
    s_readsFail = false;
    LinkHolder holder(
        aLink_Create(aStream_Create(s_flakyGet, nullptr, s_discardWrite, nullptr, nullptr)));
    ASSERT_NE(holder.get(), 0u);
    s_readsFail = true;
    EXPECT_TRUE(eventually([&] { return aLink_GetStatus(holder.get()) == STATUS_IO_ERROR; }));
    s_readsFail = false;
    EXPECT_TRUE(eventually([&] { return aLink_GetStatus(holder.get()) == STATUS_SYNCING; }));
    EXPECT_EQ(holder.destroy(), aErrNone);
}

std::atomic<bool> s_readStuck{false};
std::atomic<bool> s_streamClosed{false};

aErr s_sometimesStuckGet(uint8_t*, void*) {
    std::this_thread::sleep_for(s_readStuck.exchange(false) ? 8000ms : 2ms);
    return aErrNotReady;
}

aErr s_noteClose(void*) {
    s_streamClosed = true;
    return aErrNone;
}

TEST(LinkLife, AReaderThatOutlivesItsStopKeepsItsStreamUntilItEnds) {
    s_streamClosed = false;
    LinkHolder holder(aLink_Create(
        aStream_Create(s_sometimesStuckGet, nullptr, s_discardWrite, s_noteClose, nullptr)));
    ASSERT_NE(holder.get(), 0u);
    s_readStuck = true;
    std::this_thread::sleep_for(50ms);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(holder.destroy(), aErrNone);
    const auto took = std::chrono::steady_clock::now() - start;
    EXPECT_GE(took, 4900ms);
    EXPECT_LT(took, 7000ms);
    // The link is gone, but the stream stays open for the reader that was left behind ...
    EXPECT_FALSE(s_streamClosed);
    // ... and closes once that reader ends.
    EXPECT_TRUE(eventually([] { return s_streamClosed.load(); }, 5s));
}

}  // namespace
