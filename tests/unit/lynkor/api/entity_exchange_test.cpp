// Typed gets, sets and calls of an entity against a device the test plays over TCP: the exact
// request bytes, the reply handling, and replies that must not pass for success.
#include <gtest/gtest.h>

#include <functional>

#include "connected_module.h"

namespace {

using namespace api_test;
using Norvane::Lynkor::Link;
using Norvane::Lynkor::Module;

constexpr uint8_t A = kDeviceAddress;
constexpr uint8_t C = kEntityCommand;
constexpr uint8_t I = kEntityIndex;

class EntityExchange : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(fixture.connected, aErrNone);
        ASSERT_EQ(fixture.module.getModuleAddress(), kDeviceAddress);
    }
    // Answers every request with these packets.
    void answer(std::vector<Packet> packets) {
        fixture.device.respond([packets](const Packet&) { return packets; });
    }
    std::vector<Packet> requests() { return fixture.device.received(); }

    ConnectedModule fixture;
    TestEntity& entity = fixture.entity;
};

struct TypedCase {
    const char* name;
    std::function<aErr(TestEntity&, uint32_t&)> call;
    Bytes request;
    std::vector<Packet> replies;
    aErr expected;
    uint32_t value;
};

TEST_F(EntityExchange, TypedRequestsCarryExactBytesAndRepliesGiveTheirValues) {
    const std::vector<TypedCase> cases = {
        {"get8",
         [](TestEntity& e, uint32_t& v) {
             uint8_t x = 0;
             aErr r = e.getUEI8(5, &x);
             v = x;
             return r;
         },
         {C, 0x45, 0x22},
         {reply(A, {C, 5, I, 0xAB})},
         aErrNone,
         0xAB},
        {"get16",
         [](TestEntity& e, uint32_t& v) {
             uint16_t x = 0;
             aErr r = e.getUEI16(6, &x);
             v = x;
             return r;
         },
         {C, 0x46, 0x22},
         {reply(A, {C, 6, I, 0x12, 0x34})},
         aErrNone,
         0x1234},
        {"get32",
         [](TestEntity& e, uint32_t& v) { return e.getUEI32(7, &v); },
         {C, 0x47, 0x22},
         {reply(A, {C, 7, I, 0xDE, 0xAD, 0xBE, 0xEF})},
         aErrNone,
         0xDEADBEEF},
        {"get8 subindexed",
         [](TestEntity& e, uint32_t& v) {
             uint8_t x = 0;
             aErr r = e.getUEI8(5, 3, &x);
             v = x;
             return r;
         },
         {C, 0x45, 0x22, 3},
         {reply(A, {C, 5, I, 0x7F})},
         aErrNone,
         0x7F},
        {"get16 subindexed",
         [](TestEntity& e, uint32_t& v) {
             uint16_t x = 0;
             aErr r = e.getUEI16(6, 9, &x);
             v = x;
             return r;
         },
         {C, 0x46, 0x22, 9},
         {reply(A, {C, 6, I, 0xBE, 0xEF})},
         aErrNone,
         0xBEEF},
        {"get32 subindexed",
         [](TestEntity& e, uint32_t& v) { return e.getUEI32(7, 1, &v); },
         {C, 0x47, 0x22, 1},
         {reply(A, {C, 7, I, 0, 0, 1, 2})},
         aErrNone,
         0x102},
        {"set8",
         [](TestEntity& e, uint32_t&) { return e.setUEI8(1, 0x5A); },
         {C, 0x81, 0x22, 0x5A},
         {reply(A, {C, 0xC1, I})},
         aErrNone,
         0},
        {"set16",
         [](TestEntity& e, uint32_t&) { return e.setUEI16(2, 0x0102); },
         {C, 0x82, 0x22, 1, 2},
         {reply(A, {C, 0xC2, I})},
         aErrNone,
         0},
        {"set32",
         [](TestEntity& e, uint32_t&) { return e.setUEI32(3, 0x01020304); },
         {C, 0x83, 0x22, 1, 2, 3, 4},
         {reply(A, {C, 0xC3, I})},
         aErrNone,
         0},
        {"set8 subindexed",
         [](TestEntity& e, uint32_t&) { return e.setUEI8(1, 4, 0x11); },
         {C, 0x81, 0x22, 4, 0x11},
         {reply(A, {C, 0xC1, I})},
         aErrNone,
         0},
        {"set16 subindexed",
         [](TestEntity& e, uint32_t&) { return e.setUEI16(2, 5, 0xA0B0); },
         {C, 0x82, 0x22, 5, 0xA0, 0xB0},
         {reply(A, {C, 0xC2, I})},
         aErrNone,
         0},
        {"set32 subindexed",
         [](TestEntity& e, uint32_t&) { return e.setUEI32(3, 6, 7); },
         {C, 0x83, 0x22, 6, 0, 0, 0, 7},
         {reply(A, {C, 0xC3, I})},
         aErrNone,
         0},
        {"call",
         [](TestEntity& e, uint32_t&) { return e.callUEI(9); },
         {C, 0x89, 0x22},
         {reply(A, {C, 0xC9, I})},
         aErrNone,
         0},
        {"store save",
         [](TestEntity& e, uint32_t&) { return e.saveEntityToStore(); },
         {92, 0x80, 0x20, 0, 0, C, I},
         {reply(A, {92, 0xC0, 0})},
         aErrNone,
         0},
        {"store reset",
         [](TestEntity& e, uint32_t&) { return e.resetEntityToFactoryDefaults(); },
         {92, 0x81, 0x20, 0, 0, C, I},
         {reply(A, {92, 0xC1, 0})},
         aErrNone,
         0},
        {"store load",
         [](TestEntity& e, uint32_t&) { return e.loadEntityFromStore(); },
         {92, 0x82, 0x20, 0, 0, C, I},
         {reply(A, {92, 0xC2, 0})},
         aErrNone,
         0},
        // Replies that must not be taken as success.
        {"device error",
         [](TestEntity& e, uint32_t& v) { return e.getUEI32(7, &v); },
         {C, 0x47, 0x22},
         {reply(A, {C, 7, 0x80 | I, aErrRange})},
         aErrRange,
         0},
        {"error code 0",
         [](TestEntity& e, uint32_t& v) { return e.getUEI32(7, &v); },
         {C, 0x47, 0x22},
         {reply(A, {C, 7, 0x80 | I, 0})},
         aErrUnknown,
         0},
        {"bus status 0x80",
         [](TestEntity& e, uint32_t&) { return e.setUEI8(1, 1); },
         {C, 0x81, 0x22, 1},
         {reply(A, {C, 0xC1, 0x80 | I, 0x80})},
         aErrUnknown,
         0},
        {"code the library does not know",
         [](TestEntity& e, uint32_t& v) { return e.getUEI32(7, &v); },
         {C, 0x47, 0x22},
         {reply(A, {C, 7, 0x80 | I, 0xC8})},
         aErrUnknown,
         0},
        {"error without code",
         [](TestEntity& e, uint32_t&) { return e.callUEI(9); },
         {C, 0x89, 0x22},
         {reply(A, {C, 0xC9, 0x80 | I})},
         aErrUnknown,
         0},
        {"value missing",
         [](TestEntity& e, uint32_t& v) { return e.getUEI32(7, &v); },
         {C, 0x47, 0x22},
         {reply(A, {C, 7, I})},
         aErrUnknown,
         0},
        {"get flag in reply",
         [](TestEntity& e, uint32_t& v) { return e.getUEI32(7, &v); },
         {C, 0x47, 0x22},
         {reply(A, {C, 0x47, I, 0, 0, 0, 1})},
         aErrTimeout,
         0},
        {"other address",
         [](TestEntity& e, uint32_t& v) { return e.getUEI32(7, &v); },
         {C, 0x47, 0x22},
         {reply(6, {C, 7, I, 0, 0, 0, 1})},
         aErrTimeout,
         0},
        {"other index",
         [](TestEntity& e, uint32_t& v) { return e.getUEI32(7, &v); },
         {C, 0x47, 0x22},
         {reply(A, {C, 7, I + 1, 0, 0, 0, 1})},
         aErrTimeout,
         0},
        {"stream sample is no reply",
         [](TestEntity& e, uint32_t& v) { return e.getUEI32(7, &v); },
         {C, 0x47, 0x22},
         {reply(A, {C, 7, 0x40 | I, 0, 0, 0, 1})},
         aErrTimeout,
         0},
        {"silence",
         [](TestEntity& e, uint32_t& v) { return e.getUEI32(7, &v); },
         {C, 0x47, 0x22},
         {},
         aErrTimeout,
         0},
    };
    for (const TypedCase& c : cases) {
        SCOPED_TRACE(c.name);
        fixture.device.clearReceived();
        answer(c.replies);
        uint32_t value = 0;
        EXPECT_EQ(c.call(entity, value), c.expected);
        EXPECT_EQ(value, c.value);
        ASSERT_EQ(requests().size(), 1u);
        EXPECT_EQ(requests()[0], (Packet{A, c.request}));
    }
}

TEST_F(EntityExchange, LateRepliesOfAnAbandonedGetNeverPassForTheNextOnes) {
    // The first get goes unanswered; its reply arrives just after the wait, and a second copy
    // with another value with the next answer.
    int asked = 0;
    fixture.device.respond([&](const Packet&) -> std::vector<Packet> {
        ++asked;
        if (asked == 1) {
            return {};
        }
        return {reply(A, {C, 7, I, 0, 0, 0, 0x99})};
    });
    uint32_t value = 0;
    EXPECT_EQ(entity.getUEI32(7, &value), aErrTimeout);
    fixture.device.send({reply(A, {C, 7, I, 0, 0, 0, 0x11})});
    // The stale 0x11 is dropped before the next get goes out.
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(entity.getUEI32(7, &value), aErrNone);
    EXPECT_EQ(value, 0x99u);
}

TEST_F(EntityExchange, ArgumentsAreCheckedBeforeAnythingIsSent) {
    uint8_t bytes[28] = {};
    uint8_t length = 0;
    uint32_t count = 0;
    Link& link = *fixture.module.getLink();
    EXPECT_EQ(entity.getUEI32(1, static_cast<uint32_t*>(nullptr)), aErrParam);
    EXPECT_EQ(entity.getUEIBytes(1, nullptr, 10, &count), aErrParam);
    EXPECT_EQ(entity.getUEIBytes(1, bytes, 0, &count), aErrParam);
    EXPECT_EQ(entity.setUEIBytes(1, nullptr, 5), aErrParam);
    EXPECT_EQ(Norvane::Lynkor::EntityClass::getUEIBytesCheck(&count, 0), aErrParam);
    EXPECT_EQ(link.sendPacket(A, C, 28, bytes), aErrParam);
    EXPECT_EQ(link.sendPacket(A, C, 3, nullptr), aErrParam);
    EXPECT_EQ(link.sendPacket(0, C, 1, bytes), aErrPacket);
    EXPECT_EQ(link.sendPacket(5, C, 1, bytes), aErrPacket);
    EXPECT_EQ(link.receivePacket(A, bytes, 29, &length, bytes), aErrParam);
    EXPECT_EQ(link.getStreamStatus(A, C, 0xFF, I, 0xFF, nullptr, 1, &count), aErrParam);
    EXPECT_EQ(link.registerStreamCallback(0xFF, C, 1, I, true, nullptr, nullptr), aErrParam);
    EXPECT_EQ(fixture.module.hasUEI(C, 1, I, 0xC0), aErrParam);
    EXPECT_EQ(fixture.module.hasUEI(C, 1, I, 0x01), aErrParam);
    EXPECT_TRUE(requests().empty());
}

TEST_F(EntityExchange, AnEntityWithoutModuleIsAResourceError) {
    TestEntity orphan;
    uint8_t value = 0;
    EXPECT_EQ(orphan.getUEI8(1, &value), aErrResource);
    EXPECT_EQ(orphan.setUEI8(1, 1), aErrResource);
    EXPECT_EQ(orphan.setStreamEnabled(true), aErrResource);
}

TEST(ByteCountCheck, DividesOnlyEvenCounts) {
    uint32_t count = 12;
    EXPECT_EQ(Norvane::Lynkor::EntityClass::getUEIBytesCheck(&count, 4), aErrNone);
    EXPECT_EQ(count, 3u);
    count = 10;
    EXPECT_EQ(Norvane::Lynkor::EntityClass::getUEIBytesCheck(&count, 4), aErrMemory);
    EXPECT_EQ(count, 10u);
}

}  // namespace
