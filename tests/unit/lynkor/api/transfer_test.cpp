// Transfers of more than one packet against a device the test plays: byte-array runs, store
// slots, factory data, and the module queries.
#include <gtest/gtest.h>

#include <numeric>

#include "connected_module.h"

namespace {

using namespace api_test;
using Norvane::Lynkor::Link;

constexpr uint8_t A = kDeviceAddress;
constexpr uint8_t C = kEntityCommand;
constexpr uint8_t I = kEntityIndex;

Bytes s_pattern(size_t length) {
    Bytes bytes(length);
    for (size_t i = 0; i < length; ++i) {
        bytes[i] = static_cast<uint8_t>(i * 7 + i / 251);
    }
    return bytes;
}

// The run of packets a device sends for a byte array.
std::vector<Packet> s_run(const Bytes& bytes, uint8_t option = 3) {
    std::vector<Packet> packets;
    size_t offset = 0;
    uint8_t sequence = 0;
    do {
        const size_t chunk = std::min<size_t>(24, bytes.size() - offset);
        Bytes data = {C, option, I};
        data.insert(data.end(), bytes.begin() + offset, bytes.begin() + offset + chunk);
        offset += chunk;
        data.push_back(
            static_cast<uint8_t>((offset < bytes.size() ? 0x80 : 0) | (sequence++ & 0x7F)));
        packets.push_back(reply(A, data));
    } while (offset < bytes.size());
    return packets;
}

class Transfer : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(fixture.connected, aErrNone); }
    ConnectedModule fixture;
    TestEntity& entity = fixture.entity;
    Link& link = *fixture.module.getLink();
};

TEST_F(Transfer, ByteArraySetsGoAsRunsAndLongOnesAreNeverLost) {
    // The device collects each run and acknowledges its last packet.
    Bytes collected;
    fixture.device.respond([&](const Packet& packet) -> std::vector<Packet> {
        const Bytes& d = packet.data;
        collected.insert(collected.end(), d.begin() + 3, d.end() - 1);
        if (d.back() & 0x80) {
            return {};
        }
        return {reply(A, {C, static_cast<uint8_t>(d[1] | 0xC0), I})};
    });
    struct Case {
        size_t length;
        size_t packets;
    };
    for (const Case& c : {Case{0, 1}, Case{25, 2}, Case{24005, 1001}}) {
        SCOPED_TRACE(c.length);
        fixture.device.clearReceived();
        collected.clear();
        const Bytes data = s_pattern(c.length);
        EXPECT_EQ(entity.setUEIBytes(3, data.data(), static_cast<uint32_t>(data.size())), aErrNone);
        const std::vector<Packet> sent = fixture.device.received();
        ASSERT_EQ(sent.size(), c.packets);
        EXPECT_EQ(collected, data);
        for (size_t i = 0; i < sent.size(); ++i) {
            EXPECT_EQ(sent[i].data.back() & 0x7F, i % 128);
        }
    }
    // The two small runs, byte for byte.
    fixture.device.clearReceived();
    entity.setUEIBytes(3, nullptr, 0);
    EXPECT_EQ(fixture.device.received()[0], (Packet{A, {C, 0x83, 0x22, 0}}));
    fixture.device.clearReceived();
    const Bytes twentyFive = s_pattern(25);
    entity.setUEIBytes(3, twentyFive.data(), 25);
    Bytes first = {C, 0x83, 0x22};
    first.insert(first.end(), twentyFive.begin(), twentyFive.begin() + 24);
    first.push_back(0x80);
    EXPECT_EQ(fixture.device.received()[0], (Packet{A, first}));
    EXPECT_EQ(fixture.device.received()[1], (Packet{A, {C, 0x83, 0x22, twentyFive[24], 0x01}}));
}

TEST_F(Transfer, ByteArrayGetsFillExactlyTheBufferAndStopAtGapsAndErrors) {
    const Bytes value = s_pattern(100);
    std::vector<Packet> run = s_run(value);
    struct Case {
        const char* name;
        std::vector<Packet> answer;
        uint32_t capacity;
        aErr expected;
        uint32_t received;
    };
    std::vector<Packet> gap = run;
    gap.erase(gap.begin() + 2);
    std::vector<Packet> failing(run.begin(), run.begin() + 2);
    failing.push_back(reply(A, {C, 3, 0x80 | I, aErrBusy}));
    std::vector<Packet> noise = {reply(6, {C, 3, I, 1, 2, 0}), reply(A, {C, 3, I}),
                                 reply(A, {C, 3, I, 0x05})};
    noise.insert(noise.end(), run.begin(), run.end());
    // Longer than the reply queue's bound of 1000 packets, and sent faster than a busy caller
    // takes them.
    const Bytes longValue = s_pattern(24005);
    const std::vector<Packet> longRun = s_run(longValue);
    const std::vector<Case> cases = {
        {"exact capacity", run, 100, aErrNone, 100},
        {"1001 packets", longRun, 24005, aErrNone, 24005},
        {"roomy buffer", run, 1000, aErrNone, 100},
        {"one byte short", run, 99, aErrMemory, 96},
        {"gap after two packets", gap, 100, aErrTimeout, 48},
        {"device error mid-run", failing, 100, aErrBusy, 48},
        {"short and foreign packets ignored", noise, 100, aErrNone, 100},
        {"silence", {}, 100, aErrTimeout, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fixture.device.respond([&](const Packet&) { return c.answer; });
        Bytes buffer(c.capacity + 8, 0xEE);
        uint32_t received = 12345;
        EXPECT_EQ(entity.getUEIBytes(3, buffer.data(), c.capacity, &received), c.expected);
        EXPECT_EQ(received, c.received);
        const Bytes& sent = c.answer.size() > 1000 ? longValue : value;
        EXPECT_TRUE(std::equal(sent.begin(), sent.begin() + received, buffer.begin()));
        EXPECT_TRUE(std::all_of(buffer.begin() + c.capacity, buffer.end(),
                                [](uint8_t b) { return b == 0xEE; }));
    }
    // What was left of the broken runs does not leak into the next get.
    fixture.device.respond([&](const Packet&) { return run; });
    Bytes buffer(100);
    uint32_t received = 0;
    EXPECT_EQ(entity.getUEIBytes(3, buffer.data(), 100, &received), aErrNone);
    EXPECT_EQ(buffer, value);
}

TEST_F(Transfer, ModuleQueriesAndEcho) {
    fixture.device.respond([](const Packet& p) -> std::vector<Packet> {
        const Bytes& d = p.data;
        if (d[0] == 23) {
            return {reply(A, d)};
        }
        switch (d[1]) {
            case 0xFF:
                return {reply(A, {73, 0xFF, 0, 1, 0x86, 0xA0})};
            case 1:
                return {
                    reply(A, {73, 1, d[2], d[3], d[4], d[5] == 0x40 ? uint8_t{0} : uint8_t{21}})};
            case 4:
                return {reply(A, {73, 4, d[2], 3})};
            case 5:
                return {reply(A, {73, 5, d[2], d[3], 2})};
            case 6:
                return {reply(A, {73, 6, d[2], d[3], 1, 9})};
        }
        return {};
    });
    uint32_t build = 0;
    EXPECT_EQ(fixture.module.getBuild(&build), aErrNone);
    EXPECT_EQ(build, 100000u);
    EXPECT_EQ(fixture.module.hasUEI(C, 1, I, 0x40), aErrNone);
    EXPECT_EQ(fixture.module.hasUEI(C, 1, I, 0x80), aErrUnimplemented);
    uint8_t n = 0;
    EXPECT_EQ(fixture.module.classQuantity(C, &n), aErrNone);
    EXPECT_EQ(n, 3);
    EXPECT_EQ(fixture.module.subClassQuantity(C, 1, &n), aErrNone);
    EXPECT_EQ(n, 2);
    EXPECT_EQ(fixture.module.entityGroup(C, 1, &n), aErrUnknown);
    const uint8_t echo[] = {1, 2, 3, 4};
    EXPECT_EQ(fixture.module.debug(echo, sizeof echo), aErrNone);
    EXPECT_EQ(fixture.device.received().at(0), (Packet{A, {73, 0xFF}}));
    EXPECT_EQ(fixture.device.received().at(1), (Packet{A, {73, 1, C, 1, I, 0x40}}));

    fixture.device.respond([](const Packet& p) {
        return std::vector<Packet>{reply(A, {23, p.data[1]})};
    });
    EXPECT_EQ(fixture.module.debug(echo, sizeof echo), aErrIO);
    fixture.device.respond([](const Packet&) {
        return std::vector<Packet>{reply(A, {73, 0xFF, 1})};
    });
    EXPECT_EQ(fixture.module.getBuild(&build), aErrSize);
}

// A device with one store slot that holds `slot`; `wrongSum` spoils write acknowledgements and
// `openFails` refuses to open.
struct SlotDevice {
    Bytes slot;
    Bytes written;
    bool wrongSum = false;
    bool openFails = false;
    bool silentRead = false;
    size_t readOffset = 0;

    std::vector<Packet> operator()(const Packet& p) {
        const Bytes& d = p.data;
        switch (d[1]) {
            case 2:
                return {reply(A, {4, 2, d[2], d[3], static_cast<uint8_t>(slot.size() >> 8),
                                  static_cast<uint8_t>(slot.size())})};
            case 1:
                return {reply(A, {4, 1, d[2], d[3], 0x10, 0})};
            case 3:
            case 4:
                readOffset = 0;
                written.clear();
                if (openFails) {
                    return {reply(
                        A, {4, static_cast<uint8_t>(d[1] | 0x80), d[2], d[3], aErrPermission})};
                }
                return {reply(A, {4, d[1], d[2], d[3], 7})};
            case 6: {
                if (silentRead && readOffset > 0) {
                    return {};
                }
                Bytes data = {4, 6, d[2]};
                const size_t chunk = std::min<size_t>(25, slot.size() - readOffset);
                data.insert(data.end(), slot.begin() + readOffset,
                            slot.begin() + readOffset + chunk);
                readOffset += chunk;
                return {reply(A, data)};
            }
            case 7: {
                written.insert(written.end(), d.begin() + 3, d.end());
                uint8_t sum = std::accumulate(d.begin() + 3, d.end(), uint8_t{0});
                return {reply(A, {4, 7, d[2], static_cast<uint8_t>(sum + (wrongSum ? 1 : 0))})};
            }
            case 8:
                return {reply(A, {4, 8, d[2], 0})};
        }
        return {};
    }
};

TEST_F(Transfer, StoreSlotsLoadAndUnloadAndReportTheirFailures) {
    SlotDevice device;
    device.slot = s_pattern(60);
    fixture.device.respond([&](const Packet& p) { return device(p); });

    uint32_t value = 0;
    EXPECT_EQ(link.storeSlotCapacity(A, 1, 2, &value), aErrNone);
    EXPECT_EQ(value, 0x1000u);
    EXPECT_EQ(link.storeSlotSize(A, 1, 2, &value), aErrNone);
    EXPECT_EQ(value, 60u);

    const Bytes data = s_pattern(60);
    EXPECT_EQ(link.loadStoreSlot(A, 1, 2, data.data(), 60), aErrNone);
    EXPECT_EQ(device.written, data);

    struct Unload {
        const char* name;
        uint32_t length;
        aErr expected;
        uint32_t count;
    };
    for (const Unload& c : {Unload{"all", 60, aErrNone, 60}, Unload{"roomy", 80, aErrNone, 60},
                            Unload{"short buffer", 30, aErrOverrun, 30}}) {
        SCOPED_TRACE(c.name);
        Bytes buffer(c.length + 4, 0xEE);
        uint32_t count = 0;
        EXPECT_EQ(link.unloadStoreSlot(A, 1, 2, buffer.data(), c.length, &count), c.expected);
        EXPECT_EQ(count, c.count);
        EXPECT_TRUE(std::equal(data.begin(), data.begin() + c.count, buffer.begin()));
        EXPECT_TRUE(std::all_of(buffer.begin() + c.length, buffer.end(),
                                [](uint8_t b) { return b == 0xEE; }));
    }

    device.silentRead = true;
    Bytes buffer(60);
    uint32_t count = 0;
    EXPECT_EQ(link.unloadStoreSlot(A, 1, 2, buffer.data(), 60, &count), aErrTimeout);
    EXPECT_EQ(count, 25u);
    device.silentRead = false;

    device.wrongSum = true;
    EXPECT_EQ(link.loadStoreSlot(A, 1, 2, data.data(), 60), aErrIO);
    device.wrongSum = false;
    device.openFails = true;
    EXPECT_EQ(link.loadStoreSlot(A, 1, 2, data.data(), 60), aErrMedia);
    EXPECT_EQ(link.unloadStoreSlot(A, 1, 2, buffer.data(), 60, &count), aErrMedia);
    EXPECT_EQ(link.unloadStoreSlot(A, 1, 2, nullptr, 60, &count), aErrParam);
}

TEST_F(Transfer, FactoryDataReadsAndWritesInPacketsClosedByTheTotal) {
    const Bytes stored = s_pattern(30);
    Bytes written;
    fixture.device.respond([&](const Packet& p) -> std::vector<Packet> {
        const Bytes& d = p.data;
        if (d[1] == 0x20) {
            return {reply(A, {94, 0})};
        }
        if (d[1] & 0x10) {
            written.insert(written.end(), d.begin() + 2, d.end());
            return {reply(A, {94, static_cast<uint8_t>(d[1] & 0x0F)})};
        }
        Bytes data = {94, static_cast<uint8_t>(d[1] & 0x0F)};
        const bool first = d[1] & 0x40;
        data.insert(data.end(), stored.begin() + (first ? 0 : 26),
                    first ? stored.begin() + 26 : stored.end());
        return {reply(A, data)};
    });
    Bytes buffer(64);
    uint32_t count = 0;
    EXPECT_EQ(link.getFactoryData(A, 3, buffer.data(), 64, &count), aErrNone);
    EXPECT_EQ(count, 30u);
    EXPECT_TRUE(std::equal(stored.begin(), stored.end(), buffer.begin()));
    EXPECT_EQ(link.getFactoryData(A, 3, buffer.data(), 30, &count), aErrOverrun);

    EXPECT_EQ(link.setFactoryData(A, 3, stored.data(), 30), aErrNone);
    EXPECT_EQ(written, stored);
    const std::vector<Packet> sent = fixture.device.received();
    EXPECT_EQ(sent.back(), (Packet{A, {94, 0x20, 0, 30}}));
    EXPECT_EQ(link.getFactoryData(A, 16, buffer.data(), 64, &count), aErrParam);
}

}  // namespace
