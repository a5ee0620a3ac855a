// Streaming against a device the test plays: registration with the device, the cache, callbacks
// on the dispatcher thread, and the lifecycle cases (disable, replace, destroy, reset, shared
// links).
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "connected_module.h"
#include "lynkor/aTime.h"
#include "support/eventually.h"

namespace {

using namespace api_test;
using namespace std::chrono_literals;
using Norvane::Lynkor::Link;
using Norvane::Lynkor::Module;
using Norvane::Lynkor::StreamStatusEntry;
using testing_support::eventually;

constexpr uint8_t A = kDeviceAddress;
constexpr uint8_t C = kEntityCommand;
constexpr uint8_t I = kEntityIndex;
constexpr uint8_t kLink = 93;

// What the callbacks saw.
struct Seen {
    std::mutex mutex;
    std::vector<uint32_t> values;
    std::vector<void*> users;
    std::vector<std::thread::id> threads;

    void add(const aPacket* packet, void* user) {
        uint32_t value = 0;
        Link::getStreamSample(packet, nullptr, &value, nullptr);
        std::lock_guard lock(mutex);
        values.push_back(value);
        users.push_back(user);
        threads.push_back(std::this_thread::get_id());
    }
    size_t count() {
        std::lock_guard lock(mutex);
        return values.size();
    }
};

Norvane::Lynkor::StreamCallback s_recordInto(Seen& seen) {
    return [&seen](const aPacket* packet, void* user) -> uint8_t {
        seen.add(packet, user);
        return 0;
    };
}

// Acknowledges stream registrations (or refuses them with `refusal`) and answers gets of
// option 9 with 0x42.
struct StreamingDevice {
    uint8_t address = A;
    aErr refusal = aErrNone;
    std::vector<Packet> operator()(const Packet& p) const {
        const Bytes& d = p.data;
        if (d[0] == kLink && (d[1] & 0x80)) {
            if (refusal != aErrNone) {
                return {reply(p.address, {kLink, static_cast<uint8_t>(d[1] | 0x40), 0x80,
                                          static_cast<uint8_t>(refusal)})};
            }
            return {reply(p.address, {kLink, static_cast<uint8_t>(d[1] | 0x40), 0})};
        }
        if (d[1] == (0x40 | 9)) {
            return {reply(p.address, {d[0], 9, static_cast<uint8_t>(d[2] & 0x1F), 0x42})};
        }
        return {};
    }
};

std::vector<Packet> s_samples(uint8_t option, uint32_t first, uint32_t count, uint8_t address = A) {
    std::vector<Packet> packets;
    for (uint32_t i = 0; i < count; ++i) {
        packets.push_back(sample(address, C, option, I, 3, first + i, 0, i));
    }
    return packets;
}

class Streaming : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(fixture.connected, aErrNone);
        fixture.device.respond(device);
    }
    size_t requestsFor(uint8_t command) {
        size_t n = 0;
        for (const Packet& p : fixture.device.received()) {
            n += p.data[0] == command;
        }
        return n;
    }

    ConnectedModule fixture;
    StreamingDevice device;
    TestEntity& entity = fixture.entity;
    Link& link = *fixture.module.getLink();
};

TEST_F(Streaming, WildcardRegistrationFeedsCallbacksInOrderAndTheCacheServesGets) {
    Seen seen;
    int user = 0;
    ASSERT_EQ(entity.registerOptionCallback(0xFF, true, s_recordInto(seen), &user), aErrNone);
    // The device is told the key's low 32 bits: module, command, option, index.
    EXPECT_EQ(fixture.device.received().back(), (Packet{A, {kLink, 0x81, 0x20, A, C, 0xFF, I}}));

    fixture.device.send(s_samples(5, 1000, 300));
    ASSERT_TRUE(eventually([&] { return seen.count() == 300; }));
    for (uint32_t i = 0; i < 300; ++i) {
        ASSERT_EQ(seen.values[i], 1000 + i);
        ASSERT_EQ(seen.users[i], &user);
        ASSERT_NE(seen.threads[i], std::this_thread::get_id());
    }

    // Gets of streamed values come from the cache: fresh once, stale after.
    const size_t before = fixture.device.received().size();
    uint32_t value = 0;
    EXPECT_EQ(entity.getUEI32(5, &value), aErrNone);
    EXPECT_EQ(value, 1299u);
    EXPECT_EQ(entity.getUEI32(5, &value), aErrStreamStale);
    EXPECT_EQ(value, 1299u);
    EXPECT_EQ(fixture.device.received().size(), before);
    // An option that was never streamed still asks the device.
    uint8_t asked = 0;
    EXPECT_EQ(entity.getUEI8(9, &asked), aErrNone);
    EXPECT_EQ(asked, 0x42);

    // Each streamed option has its own exact key.
    fixture.device.send({sample(A, C, 1, I, 1, 7), sample(A, C, 2, I, 2, 8)});
    ASSERT_TRUE(eventually([&] { return seen.count() == 302; }));
    StreamStatusEntry entries[4] = {};
    uint32_t count = 0;
    EXPECT_EQ(entity.getStreamStatus(entries, 2, &count), aErrSize);
    EXPECT_EQ(count, 2u);
    EXPECT_EQ(entity.getStreamStatus(entries, 4, &count), aErrNone);
    EXPECT_EQ(count, 3u);
    EXPECT_EQ(entries[0].key, Link::createStreamKey(A, C, 1, I, 0));
    EXPECT_EQ(entries[0].value, 7u);

    // Disabling tells the device and no callback runs after it returns.
    ASSERT_EQ(entity.registerOptionCallback(0xFF, false, nullptr, nullptr), aErrNone);
    EXPECT_EQ(fixture.device.received().back(), (Packet{A, {kLink, 0x82, 0x20, A, C, 0xFF, I}}));
    const size_t afterDisable = seen.count();
    fixture.device.send(s_samples(5, 0, 20));
    std::this_thread::sleep_for(100ms);
    EXPECT_EQ(seen.count(), afterDisable);
    EXPECT_EQ(link.getStreamValue(A, C, 5, I, 0, &value), aErrNotFound);
}

TEST_F(Streaming, SamplesDecodeByTypeAndMalformedOnesAreNotCached) {
    ASSERT_EQ(entity.setStreamEnabled(true), aErrNone);
    fixture.device.send({sample(A, C, 1, I, 5, 0x11, 3), sample(A, C, 2, I, 6, 0x2233, 4),
                         sample(A, C, 3, I, 7, 0x44556677, 5)});
    Packet tooLong = sample(A, C, 4, I, 1, 9);
    tooLong.data.insert(tooLong.data.end() - 1, 0);
    Packet unknownType = sample(A, C, 6, I, 1, 9);
    unknownType.data[3] = 9;
    Packet byteRun = sample(A, C, 7, I, 1, 9);
    byteRun.data.back() = 0x81;
    fixture.device.send({tooLong, unknownType, byteRun});
    uint8_t b = 0;
    uint16_t s = 0;
    uint32_t i = 0;
    uint32_t cached = 0;
    ASSERT_TRUE(
        eventually([&] { return link.getStreamValue(A, C, 3, I, 5, &cached) == aErrNone; }));
    EXPECT_EQ(entity.getUEI32(3, 5, &i), aErrStreamStale);
    EXPECT_EQ(i, 0x44556677u);
    EXPECT_EQ(entity.getUEI8(1, 3, &b), aErrNone);
    EXPECT_EQ(b, 0x11);
    EXPECT_EQ(entity.getUEI16(2, 4, &s), aErrNone);
    EXPECT_EQ(s, 0x2233);
    std::this_thread::sleep_for(50ms);
    uint32_t value = 0;
    for (uint8_t option : {4, 6, 7}) {
        EXPECT_EQ(link.getStreamValue(A, C, option, I, 0, &value), aErrNotFound) << int(option);
    }
    // None of it went to the reply queue either: the next get of option 9 is answered at once.
    EXPECT_EQ(entity.getUEI8(9, &b), aErrNone);
}

TEST_F(Streaming, RefusedRegistrationIsTakenBack) {
    device.refusal = aErrPermission;
    fixture.device.respond(device);
    Seen seen;
    EXPECT_EQ(entity.registerOptionCallback(5, true, s_recordInto(seen), nullptr), aErrPermission);
    fixture.device.send(s_samples(5, 0, 3));
    std::this_thread::sleep_for(100ms);
    EXPECT_EQ(seen.count(), 0u);
    uint32_t value = 0;
    EXPECT_EQ(link.getStreamValue(A, C, 5, I, 0, &value), aErrNotFound);
}

TEST_F(Streaming, AFloodWithASlowCallbackNeitherBlocksGetsNorGrowsWithoutBound) {
    std::atomic<int> calls{0};
    ASSERT_EQ(entity.registerOptionCallback(
                  5, true,
                  [&](const aPacket*, void*) -> uint8_t {
                      ++calls;
                      std::this_thread::sleep_for(5ms);
                      return 0;
                  },
                  nullptr),
              aErrNone);
    fixture.device.send(s_samples(5, 0, 3000));
    const auto start = std::chrono::steady_clock::now();
    uint8_t value = 0;
    EXPECT_EQ(entity.getUEI8(9, &value), aErrNone);
    EXPECT_LT(std::chrono::steady_clock::now() - start, 1s);
    // Registering while the reader is busy with the flood does not wait on it.
    EXPECT_EQ(entity.registerOptionCallback(6, true, nullptr, nullptr), aErrNone);
    // The ring holds at most 499 waiting calls; the rest are dropped, never queued up.
    ASSERT_TRUE(eventually([&] { return fixture.device.received().size() >= 3; }));
    std::this_thread::sleep_for(200ms);
    EXPECT_LE(calls.load(), 600);
}

TEST_F(Streaming, WildcardsLearnAtMostALimitedNumberOfKeysButCallAlways) {
    std::atomic<int> calls{0};
    ASSERT_EQ(link.registerStreamCallback(
                  A, 0xFF, 0xFF, 0xFF, true,
                  [&](const aPacket*, void*) -> uint8_t {
                      ++calls;
                      return 0;
                  },
                  nullptr),
              aErrNone);
    int sent = 0;
    for (uint8_t command : {30, 31, 32}) {
        for (uint8_t option = 0; option < 64; ++option) {
            std::vector<Packet> batch;
            for (uint8_t index = 0; index < 32; ++index) {
                batch.push_back(sample(A, command, option, index, 1, 1));
            }
            fixture.device.send(batch);
            sent += 32;
            ASSERT_TRUE(eventually([&] { return calls.load() == sent; }));
        }
    }
    EXPECT_EQ(link.filterActiveStreamKeys(A, 0xFF, 0xFF, 0xFF, 0xFF, true).size(), 4096u);
}

TEST_F(Streaming, ReplacingACallbackSwapsItsUserTooAndThrowingOnesAreContained) {
    Seen first;
    Seen second;
    int userA = 0;
    int userB = 0;
    ASSERT_EQ(entity.registerOptionCallback(5, true, s_recordInto(first), &userA), aErrNone);
    fixture.device.send(s_samples(5, 0, 5));
    ASSERT_TRUE(eventually([&] { return first.count() == 5; }));
    ASSERT_EQ(entity.registerOptionCallback(5, true, s_recordInto(second), &userB), aErrNone);
    fixture.device.send(s_samples(5, 5, 5));
    ASSERT_TRUE(eventually([&] { return second.count() == 5; }));
    EXPECT_EQ(first.count(), 5u);
    EXPECT_EQ(second.users.front(), &userB);

    std::atomic<int> thrown{0};
    ASSERT_EQ(entity.registerOptionCallback(
                  6, true,
                  [&](const aPacket*, void*) -> uint8_t {
                      ++thrown;
                      throw std::runtime_error("callback failed");
                  },
                  nullptr),
              aErrNone);
    fixture.device.send(s_samples(6, 0, 3));
    fixture.device.send(s_samples(5, 10, 3));
    ASSERT_TRUE(eventually([&] { return second.count() == 8; }));
    EXPECT_EQ(thrown.load(), 3);
}

TEST_F(Streaming, ACallbackMayDisableItself) {
    std::atomic<int> calls{0};
    std::atomic<aErr> disabled{aErrUnknown};
    ASSERT_EQ(entity.registerOptionCallback(
                  5, true,
                  [&](const aPacket*, void*) -> uint8_t {
                      if (++calls == 1) {
                          disabled = entity.registerOptionCallback(5, false, nullptr, nullptr);
                      }
                      return 0;
                  },
                  nullptr),
              aErrNone);
    fixture.device.send(s_samples(5, 0, 50));
    ASSERT_TRUE(eventually([&] { return disabled.load() != aErrUnknown; }));
    EXPECT_EQ(disabled.load(), aErrNone);
    fixture.device.send(s_samples(5, 0, 50));
    std::this_thread::sleep_for(100ms);
    EXPECT_EQ(calls.load(), 1);
}

TEST_F(Streaming, DestroyingWhileSamplesPourInEndsCleanly) {
    auto module = std::make_unique<Module>(2, uint8_t{0});
    module->setConfig(directConfig());
    TcpDevice other(A);
    other.respond(StreamingDevice{});
    ASSERT_EQ(module->connectFromSpec(other.spec(0x5555)), aErrNone);
    TestEntity streamed;
    streamed.init(module.get(), C, I);
    std::atomic<int> calls{0};
    ASSERT_EQ(streamed.registerOptionCallback(
                  0xFF, true,
                  [&](const aPacket*, void*) -> uint8_t {
                      ++calls;
                      std::this_thread::sleep_for(1ms);
                      return 0;
                  },
                  nullptr),
              aErrNone);
    std::atomic<bool> pouring{true};
    std::thread source([&] {
        while (pouring) {
            other.send(s_samples(5, 0, 50));
            std::this_thread::sleep_for(1ms);
        }
    });
    ASSERT_TRUE(eventually([&] { return calls.load() > 10; }));
    module.reset();
    const int atDestroy = calls.load();
    std::this_thread::sleep_for(50ms);
    EXPECT_EQ(calls.load(), atDestroy);
    pouring = false;
    source.join();
}

TEST_F(Streaming, DisconnectStopsStreamingAndResetKeepsIt) {
    Seen seen;
    ASSERT_EQ(entity.registerOptionCallback(5, true, s_recordInto(seen), nullptr), aErrNone);
    EXPECT_EQ(link.reset(), aErrNone);
    ASSERT_TRUE(eventually([&] { return link.isConnected(); }));
    // The reset link has a new connection; give the device time to take it.
    std::this_thread::sleep_for(100ms);
    fixture.device.send(s_samples(5, 0, 4));
    ASSERT_TRUE(eventually([&] { return seen.count() == 4; }));
    EXPECT_EQ(link.disconnect(), aErrNone);
    uint32_t value = 0;
    EXPECT_EQ(link.getStreamValue(A, C, 5, I, 0, &value), aErrNotFound);
    EXPECT_EQ(link.reset(), aErrConnection);
}

TEST_F(Streaming, LinksSharingOneLinkAllGetTheirSamplesAndOutliveTheRouter) {
    TcpDevice bus(A);
    bus.respond(StreamingDevice{});
    auto router = std::make_unique<Module>(2, uint8_t{0});
    router->setConfig(directConfig());
    ASSERT_EQ(router->connectFromSpec(bus.spec(0x7777)), aErrNone);
    Module child(6, uint8_t{0});
    ASSERT_EQ(child.connectThroughLinkModule(router.get()), aErrNone);
    EXPECT_EQ(child.getModuleAddress(), 6);
    TestEntity routed;
    routed.init(&child, C, I);

    Seen viaRouter;
    Seen viaChild;
    TestEntity onRouter;
    onRouter.init(router.get(), C, I);
    ASSERT_EQ(onRouter.registerOptionCallback(5, true, s_recordInto(viaRouter), nullptr), aErrNone);
    ASSERT_EQ(routed.registerOptionCallback(5, true, s_recordInto(viaChild), nullptr), aErrNone);
    bus.send(s_samples(5, 0, 3, A));
    bus.send(s_samples(5, 0, 3, 6));
    ASSERT_TRUE(eventually([&] { return viaRouter.count() == 3 && viaChild.count() == 3; }));

    router.reset();
    uint8_t value = 0;
    EXPECT_EQ(routed.getUEI8(9, &value), aErrNone);
    EXPECT_EQ(value, 0x42);
    EXPECT_EQ(bus.received().back().address, 6);
    bus.send(s_samples(5, 10, 2, 6));
    ASSERT_TRUE(eventually([&] { return viaChild.count() == 5; }));
}

}  // namespace
