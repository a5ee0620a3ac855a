// The packet-level helpers: UEI payload tests, stream keys and sample decoding, and the
// byte-array run filter and assembly.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "api/byte_run.h"
#include "lynkor/Link.h"

namespace {

using Norvane::Lynkor::Link;
using Bytes = std::vector<uint8_t>;

aPacket s_packet(uint8_t address, const Bytes& data) {
    aPacket packet{};
    packet.check = aPACKET_CHECK;
    packet.address = address;
    packet.data_size = static_cast<uint8_t>(data.size());
    packet.cur_size = static_cast<uint8_t>(data.size() + 2);
    std::copy(data.begin(), data.end(), packet.data);
    return packet;
}

TEST(UEIPayload, CommandsOfOtherLayoutsAreNotUEI) {
    for (uint8_t command : {0, 1, 2, 4, 8, 9, 23, 24, 73, 94, 95, 173, 175}) {
        const aPacket packet = s_packet(4, {command, 1, 2});
        EXPECT_TRUE(aUEI_isNotUEIPayload(&packet)) << int(command);
        EXPECT_FALSE(aUEI_isUEIPayload(&packet)) << int(command);
    }
    for (uint8_t command : {3, 18, 92, 93, 255}) {
        const aPacket packet = s_packet(4, {command, 1, 2});
        EXPECT_TRUE(aUEI_isUEIPayload(&packet)) << int(command);
    }
    const aPacket empty = s_packet(4, {});
    EXPECT_FALSE(aUEI_isUEIPayload(&empty));
    EXPECT_FALSE(aUEI_isNotUEIPayload(&empty));
    EXPECT_FALSE(aUEI_isUEIPayload(nullptr));
}

TEST(UEIPayload, TrailersAndBigEndianReads) {
    const aPacket last = s_packet(4, {18, 1, 2, 9, 0x05});
    const aPacket more = s_packet(4, {18, 1, 2, 9, 0x85});
    EXPECT_FALSE(aUEI_getBytesContinue(&last));
    EXPECT_TRUE(aUEI_getBytesContinue(&more));
    EXPECT_EQ(aUEI_getBytesSequence(&more), 5);
    Bytes full(27, 0);
    const aPacket fullPacket = s_packet(4, full);
    EXPECT_TRUE(aUEI_getBytesFullPacket(&fullPacket));
    EXPECT_FALSE(aUEI_getBytesFullPacket(&last));
    const uint8_t bytes[] = {0x12, 0x34, 0x56, 0x78, 0x9A, 0xBC, 0xDE, 0xF0};
    EXPECT_EQ(aUEI_RetrieveShort(bytes), 0x1234);
    EXPECT_EQ(aUEI_RetrieveInt(bytes), 0x12345678u);
    uint8_t words[8];
    std::copy(bytes, bytes + 8, words);
    EXPECT_EQ(aUEI_ModifyIntBuffer(words, 2), aErrNone);
    uint32_t host[2];
    std::memcpy(host, words, sizeof host);
    EXPECT_EQ(host[0], 0x12345678u);
    EXPECT_EQ(host[1], 0x9ABCDEF0u);
    EXPECT_EQ(aUEI_ModifyIntBuffer(nullptr, 1), aErrParam);
    EXPECT_EQ(aUEI_ModifyIntBuffer(words, 0x40000000u), aErrParam);
}

TEST(StreamKey, ElementsRoundTrip) {
    const uint64_t key = Link::createStreamKey(4, 18, 5, 2, 7);
    EXPECT_EQ(key, 0x0704120502u);
    EXPECT_EQ(Link::getStreamKeyElement(key, Norvane::Lynkor::STREAM_KEY_MODULE), 4);
    EXPECT_EQ(Link::getStreamKeyElement(key, Norvane::Lynkor::STREAM_KEY_COMMAND), 18);
    EXPECT_EQ(Link::getStreamKeyElement(key, Norvane::Lynkor::STREAM_KEY_OPTION), 5);
    EXPECT_EQ(Link::getStreamKeyElement(key, Norvane::Lynkor::STREAM_KEY_INDEX), 2);
    EXPECT_EQ(Link::getStreamKeyElement(key, Norvane::Lynkor::STREAM_KEY_SUBINDEX), 7);
    EXPECT_EQ(Link::getStreamKeyElement(key, static_cast<Norvane::Lynkor::STREAM_KEY>(9)), 0);
    uint32_t high = 0;
    uint32_t low = 0;
    Link::getTimestampParts(0x0102030405060708u, &high, &low);
    EXPECT_EQ(high, 0x01020304u);
    EXPECT_EQ(low, 0x05060708u);
}

TEST(StreamSample, DecodesEachTypeAndRefusesWrongShapes) {
    const Bytes stamp = {0, 0, 0, 1, 0, 0, 0, 2};
    auto build = [&](uint8_t type, Bytes tail) {
        Bytes data = {18, 5, 0x42, type};
        if (type >= 5) {
            data.push_back(9);
        }
        data.insert(data.end(), stamp.begin(), stamp.end());
        data.insert(data.end(), tail.begin(), tail.end());
        return data;
    };
    struct Case {
        const char* name;
        Bytes data;
        aErr expected;
        uint32_t value;
        uint8_t subindex;
    };
    const std::vector<Case> cases = {
        {"byte", build(1, {0xAB, 0}), aErrNone, 0xAB, 0},
        {"short", build(2, {0x12, 0x34, 0}), aErrNone, 0x1234, 0},
        {"int", build(3, {1, 2, 3, 4, 0}), aErrNone, 0x01020304, 0},
        {"subindexed byte", build(5, {0xCD, 0}), aErrNone, 0xCD, 9},
        {"subindexed short", build(6, {0xBE, 0xEF, 0}), aErrNone, 0xBEEF, 9},
        {"subindexed int", build(7, {0xDE, 0xAD, 0xBE, 0xEF, 0}), aErrNone, 0xDEADBEEF, 9},
        {"byte one long", build(1, {0xAB, 0, 0}), aErrPacket, 0, 0},
        {"int one short", build(3, {1, 2, 3, 0}), aErrPacket, 0, 0},
        {"trailer set: bytes", build(1, {0xAB, 0x81}), aErrSize, 0, 0},
        {"type 0", build(0, {1, 0}), aErrUnknown, 0, 0},
        {"type 8", build(8, {1, 0}), aErrUnknown, 0, 0},
        {"no stream bit", {18, 5, 0x02, 1, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0}, aErrPacket, 0, 0},
        {"get flag", {18, 0x45, 0x42, 1, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0}, aErrPacket, 0, 0},
        {"too short", {18, 5, 0x42, 1}, aErrPacket, 0, 0},
        {"not UEI", {23, 5, 0x42, 1, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0}, aErrPacket, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const aPacket packet = s_packet(4, c.data);
        uint64_t time = 0;
        uint32_t value = 0;
        uint8_t subindex = 0;
        EXPECT_EQ(Link::getStreamSample(&packet, &time, &value, &subindex), c.expected);
        EXPECT_EQ(Link::isStreamSample(&packet), c.expected == aErrNone);
        if (c.expected == aErrNone) {
            EXPECT_EQ(time, 0x0000000100000002u);
            EXPECT_EQ(value, c.value);
            EXPECT_EQ(subindex, c.subindex);
        }
    }
    EXPECT_TRUE(Link::isSubindexType(Norvane::Lynkor::STREAM_PACKET_SUBINDEX_SHORT));
    EXPECT_FALSE(Link::isSubindexType(Norvane::Lynkor::STREAM_PACKET_BYTES));
}

TEST(ByteRun, FilterMatchesOnlyTheNextPacketOrAnErrorAndAppendStaysInTheBuffer) {
    uint8_t buffer[30] = {};
    uint32_t received = 0;
    uei run{};
    run.module = 4;
    run.command = 18;
    run.option = 3;
    run.index = 2;
    run.bytes = buffer;
    run.bytesLength = 30;
    run.receivedCount = &received;
    struct Case {
        const char* name;
        aPacket packet;
        bool matches;
    };
    Bytes full = {18, 3, 2};
    full.insert(full.end(), 24, 0x11);
    full.push_back(0x80);
    const std::vector<Case> cases = {
        {"first packet", s_packet(4, full), true},
        {"error reply before any sequence", s_packet(4, {18, 3, 0x82, aErrBusy}), true},
        {"error reply with direction bits", s_packet(4, {18, 0x43, 0x82, aErrBusy}), true},
        {"wrong sequence", s_packet(4, {18, 3, 2, 1, 0x01}), false},
        {"shorter than a run packet", s_packet(4, {18, 3, 2}), false},
        {"other address", s_packet(6, full), false},
        {"other option", s_packet(4, {18, 4, 2, 1, 0}), false},
        {"stream packet", s_packet(4, {18, 3, 0x42, 1, 0}), false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(lynkor::api::isNextRunPacket(c.packet, run), c.matches) << c.name;
    }
    EXPECT_EQ(lynkor::api::appendRunPacket(run, cases[0].packet), aErrNone);
    EXPECT_EQ(received, 24u);
    EXPECT_EQ(run.expectedSequence, 1);
    EXPECT_EQ(run.moreFollow, 1);
    // Another full packet would pass the end of the 30-byte buffer.
    Bytes second = full;
    second.back() = 0x01;
    EXPECT_EQ(lynkor::api::appendRunPacket(run, s_packet(4, second)), aErrMemory);
    EXPECT_EQ(received, 24u);
    EXPECT_EQ(lynkor::api::appendRunPacket(run, s_packet(4, {18, 3, 0x82, aErrBusy})), aErrBusy);
    EXPECT_EQ(lynkor::api::appendRunPacket(run, s_packet(4, {18, 3, 0x82, 0})), aErrUnknown);
    EXPECT_EQ(lynkor::api::appendRunPacket(run, s_packet(4, {18, 3, 0x82})), aErrUnknown);
}

}  // namespace
