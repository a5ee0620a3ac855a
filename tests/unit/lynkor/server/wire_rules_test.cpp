// What the server accepts as a packet frame, and how it classes packets.
#include <gtest/gtest.h>

#include "server/sync_messages.h"
#include "server_test_support.h"

namespace {

using namespace lynkor::server;
using namespace server_test;

struct FrameCase {
    const char* name;
    Bytes frame;
    bool accepted;
};

TEST(ServerFrames, ExactlyOnePacketWithMatchingLengthAndAnAddress) {
    Bytes longest{4, 28};
    longest.resize(30, 0x55);
    Bytes tooLong = longest;
    tooLong.push_back(0);
    Bytes lengthAbove28{4, 29};
    lengthAbove28.resize(31, 0);
    const FrameCase cases[] = {
        {"empty", {}, false},
        {"address alone", {4}, false},
        {"empty packet", {4, 0}, true},
        {"address zero", {0, 0}, false},
        {"length says more than came", {4, 2, 23}, false},
        {"bytes beyond the length", {4, 1, 23, 1}, false},
        {"28 data bytes", longest, true},
        {"31 bytes", tooLong, false},
        {"length 29", lengthAbove28, false},
    };
    for (const FrameCase& c : cases) {
        EXPECT_EQ(parsePacketFrame(c.frame).has_value(), c.accepted) << c.name;
    }
}

struct ClassCase {
    const char* name;
    Bytes frame;
    bool uei;
    bool expectsAnswer;
    bool startsRun;
    bool streamSample;
    bool enablesStreaming;
    bool heartbeat;
};

TEST(ServerFrames, ClassesPacketsAsBrokerAndSyncTaskBothSeeThem) {
    const ClassCase cases[] = {
        {"echo", frame(4, {23, 1, 2}), false, true, false, false, false, false},
        {"typed get", frame(4, {3, 0x48, 0x20}), true, true, false, false, false, false},
        {"route switch", frame(0xAF, {1}), false, false, false, false, false, false},
        {"route address with two bytes", frame(0xAF, {1, 0}), false, true, false, false, false,
         false},
        {"run start", runFrame(0, true), true, false, true, false, false, false},
        {"run middle", runFrame(5, true), true, false, false, false, false, false},
        {"run end", runFrame(6, false, false), true, true, false, false, false, false},
        {"full run packet without more", runFrame(7, false), true, true, false, false, false,
         false},
        {"stream sample", frame(4, {0x10, 0x01, 0x41, 0, 7}), true, true, false, true, false,
         false},
        {"stream flag on a get", frame(4, {0x10, 0x41, 0x41, 0, 7}), true, true, false, false,
         false, false},
        {"stream enable", frame(4, {93, 0x81, 0x20, 0x10, 1, 0, 0xFF}), true, true, false, false,
         true, false},
        {"heartbeat", frame(4, {0, 1}), false, true, false, false, false, true},
        {"query", frame(0xAD, {}), false, true, false, false, false, false},
    };
    for (const ClassCase& c : cases) {
        const WirePacket packet = wire(c.frame);
        EXPECT_EQ(isUeiPacket(packet), c.uei) << c.name;
        EXPECT_EQ(expectsAnswer(packet), c.expectsAnswer) << c.name;
        EXPECT_EQ(startsByteRun(packet), c.startsRun) << c.name;
        EXPECT_EQ(isStreamSample(packet), c.streamSample) << c.name;
        EXPECT_EQ(enablesStreaming(packet), c.enablesStreaming) << c.name;
        EXPECT_EQ(isHeartbeat(packet), c.heartbeat) << c.name;
    }
}

TEST(ServerMessages, ReportsAndRequestsSurviveTheTripAndNoPacketPassesForAReport) {
    const SyncReport report{
        SERVER_CMD_INCOMING_PACKETS, 0xA1B2C3D4, {wire(frame(4, {7})), wire(runFrame(0, true))}};
    const auto decoded = decodeReport(encodeReport(report));
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded->id, 0xA1B2C3D4u);
    ASSERT_EQ(decoded->answers.size(), 2u);
    EXPECT_EQ(decoded->answers[0].dataLength(), 1);
    EXPECT_EQ(decoded->answers[1].dataLength(), 28);

    const SyncRequest request{9, 0x123456789ull, {wire(runFrame(0, true)), wire(frame(4, {3}))}};
    const auto back = decodeRequest(encodeRequest(request));
    ASSERT_TRUE(back);
    EXPECT_EQ(back->id, 9u);
    EXPECT_EQ(back->queuedAtMs, 0x123456789ull);
    EXPECT_EQ(back->packets.size(), 2u);

    // A one-data-byte answer once read as a 3-byte report; now no packet frame is a report.
    for (uint8_t address = 2; address != 0; address = static_cast<uint8_t>(address + 2)) {
        for (uint8_t length = 0; length <= 28; ++length) {
            Bytes packet{address, length};
            packet.resize(length + 2u, 1);
            EXPECT_FALSE(decodeReport(packet)) << int(address) << " " << int(length);
        }
    }
    EXPECT_FALSE(decodeReport(Bytes{0xFF, 0xFF, SERVER_CMD_DROPPED_PACKET, 0, 0, 0, 1, 4, 0}));
    EXPECT_FALSE(decodeReport(Bytes{0xFF, 0xFF, 2, 0, 0, 0, 1}));
}

}  // namespace
