// The sync task against a scripted device: what it sends, what it takes as the answer, and
// when it gives up.
#include <gtest/gtest.h>

#include <deque>

#include "server/sync_task.h"
#include "server_test_support.h"

namespace {

using namespace lynkor::server;
using namespace server_test;

// Packets the device sends: some before the request (left over), some after it.
class ScriptedDevice : public SyncDevice {
public:
    void drainInbound() override {
        ++drains;
        inbound.clear();
    }
    bool send(const WirePacket& packet) override {
        if (refuseSends) {
            return false;
        }
        sent.emplace_back(packet.wire().begin(), packet.wire().end());
        for (const Bytes& answer : answers) {
            inbound.push_back(answer);
        }
        answers.clear();
        return true;
    }
    std::optional<WirePacket> awaitAnswer(const Match& match, uint32_t timeoutMs) override {
        for (auto packet = inbound.begin(); packet != inbound.end(); ++packet) {
            if (match(wire(*packet))) {
                const WirePacket found = wire(*packet);
                inbound.erase(packet);
                return found;
            }
        }
        waitedMs += timeoutMs;
        return std::nullopt;
    }
    uint64_t nowMs() override { return now; }

    std::deque<Bytes> inbound;
    // What the device sends once it has the request.
    std::vector<Bytes> answers;
    std::vector<Bytes> sent;
    int drains = 0;
    uint64_t waitedMs = 0;
    uint64_t now = 10000;
    bool refuseSends = false;
};

SyncRequest request(std::vector<Bytes> frames, uint64_t queuedAtMs = 10000) {
    SyncRequest made{42, queuedAtMs, {}};
    for (const Bytes& bytes : frames) {
        made.packets.push_back(wire(bytes));
    }
    return made;
}

std::vector<Bytes> answersOf(const SyncReport& report) {
    std::vector<Bytes> bytes;
    for (const WirePacket& packet : report.answers) {
        bytes.emplace_back(packet.wire().begin(), packet.wire().end());
    }
    return bytes;
}

struct SyncCase {
    const char* name;
    std::vector<Bytes> request;
    std::deque<Bytes> leftOver;
    std::vector<Bytes> deviceSends;
    ReportKind kind;
    std::vector<Bytes> answers;
};

TEST(SyncTask, TakesOnlyTheAnswerToTheRequestItSent) {
    const Bytes echo = frame(4, {23, 1, 2});
    const Bytes get = frame(4, {0x10, 0x45, 0x21});
    const Bytes value = frame(4, {0x10, 0x05, 0x01, 9});
    const SyncCase cases[] = {
        {"echo answered", {echo}, {}, {echo}, SERVER_CMD_INCOMING_PACKETS, {echo}},
        {"left-over packet is not the answer",
         {echo},
         {frame(4, {23, 9, 9})},
         {echo},
         SERVER_CMD_INCOMING_PACKETS,
         {echo}},
        {"silent device", {echo}, {}, {}, SERVER_CMD_DROPPED_PACKET, {}},
        {"typed answer from another address or command is not it",
         {get},
         {},
         {frame(6, {0x10, 0x05, 0x01, 1}), frame(4, {0x11, 0x05, 0x01, 2}), value},
         SERVER_CMD_INCOMING_PACKETS,
         {value}},
        {"one-data-byte answer",
         {frame(4, {23})},
         {},
         {frame(4, {23})},
         SERVER_CMD_INCOMING_PACKETS,
         {frame(4, {23})}},
        {"byte run answer is collected to its last packet",
         {get},
         {},
         {runFrame(0, true), runFrame(1, true), runFrame(2, false, false)},
         SERVER_CMD_INCOMING_PACKETS,
         {runFrame(0, true), runFrame(1, true), runFrame(2, false, false)}},
        {"byte run request goes out whole",
         {runFrame(0, true), runFrame(1, true), runFrame(2, false, false)},
         {},
         {frame(4, {0x10, 0xC1, 0x00})},
         SERVER_CMD_INCOMING_PACKETS,
         {frame(4, {0x10, 0xC1, 0x00})}},
    };
    for (const SyncCase& c : cases) {
        ScriptedDevice device;
        device.inbound = c.leftOver;
        device.answers = c.deviceSends;
        SyncTask task(device);
        const SyncReport report = task.handle(request(c.request));
        EXPECT_EQ(report.id, 42u) << c.name;
        EXPECT_EQ(report.kind, c.kind) << c.name;
        EXPECT_EQ(answersOf(report), c.answers) << c.name;
        EXPECT_EQ(device.sent, c.request) << c.name;
        EXPECT_EQ(device.drains, 1) << c.name;
        if (c.kind == SERVER_CMD_DROPPED_PACKET) {
            EXPECT_EQ(device.waitedMs, kAnswerWaitMs) << c.name;
        }
    }
}

TEST(SyncTask, DropsWithoutSendingWhatCameTooLateOrCannotBeSent) {
    ScriptedDevice device;
    device.answers = {frame(4, {23})};
    SyncTask task(device);
    // Waited longer than any client waits: its answer would reach no one.
    EXPECT_EQ(task.handle(request({frame(4, {23})}, 10000 - kLongestClientWaitMs - 1)).kind,
              SERVER_CMD_DROPPED_PACKET);
    EXPECT_TRUE(device.sent.empty());
    EXPECT_EQ(task.handle(request({frame(4, {23})}, 10000 - kLongestClientWaitMs)).kind,
              SERVER_CMD_INCOMING_PACKETS);

    // Nothing the broker sends lacks an answer; should it, no one waits.
    EXPECT_EQ(task.handle(request({frame(0xAF, {1})})).kind, SERVER_CMD_DROPPED_PACKET);
    device.refuseSends = true;
    EXPECT_EQ(task.handle(request({frame(4, {23})})).kind, SERVER_CMD_DROPPED_PACKET);
    EXPECT_EQ(device.sent.size(), 1u);
}

}  // namespace
