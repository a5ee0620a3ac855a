// I2CClass on a router of the device simulator, with devices behind it: probes by write, reads,
// the speed code each transfer carries, the pull-up switch, and replies that must not pass.
#include <gtest/gtest.h>

#include "lynkor/entities/I2CClass.h"
#include "lynkor/entities/SystemClass.h"
#include "sim_module.h"
#include "support/direct_links.h"

namespace {

using namespace entities_test;
using Norvane::Lynkor::I2CClass;
using Norvane::Lynkor::Module;
using Norvane::Lynkor::SystemClass;
using testing_support::DeviceSim;

const char* const kRouter = "0000A000";
const char* const kChild = "0000A006";
constexpr uint8_t kChildAddress = 6;
constexpr uint8_t kEmptyAddress = 8;

class I2CThroughRouter : public testing::Test {
protected:
    void SetUp() override {
        router.setConfig(directConfig());
        ASSERT_EQ(router.connectFromSpec(testing_support::simLinkSpec(sim, "tcp", kRouter, 0xA000)),
                  aErrNone);
        bus.init(&router, 0);
    }
    long stat(const std::string& name) { return sim.stats(kRouter)[name]; }
    std::string lastRequest() { return sim.history(kRouter).back(); }

    DeviceSim sim{{"--heartbeat-ms", "0", "--device", kRouter, "--address", "2", "--tcp",
                   "--device", kChild, "--address", "6", "--behind", "A000"}};
    Module router{2, 0};
    I2CClass bus;
};

TEST_F(I2CThroughRouter, ProbesReadsAndReachesTheDeviceFound) {
    EXPECT_EQ(bus.getSpeed(), 0);
    ASSERT_EQ(bus.setSpeed(3), aErrNone);
    const uint8_t zeros[2] = {};
    ASSERT_EQ(bus.write(kChildAddress, sizeof zeros, zeros), aErrNone);
    // [8, index, address, count, speed, bytes]
    EXPECT_EQ(lastRequest(),
              "02070800060203"
              "0000");
    EXPECT_EQ(stat("i2c_probes_6"), 1);
    EXPECT_EQ(stat("i2c_speed_6"), 3);
    EXPECT_EQ(bus.write(kEmptyAddress, sizeof zeros, zeros), aErrNotFound);

    uint8_t buffer[23];
    std::fill(std::begin(buffer), std::end(buffer), 0xEE);
    ASSERT_EQ(bus.read(kChildAddress, 23, buffer), aErrNone);
    EXPECT_EQ(lastRequest(),
              "0205080007"
              "1703");
    EXPECT_TRUE(
        std::all_of(std::begin(buffer), std::end(buffer), [](uint8_t b) { return b == 0; }));
    EXPECT_EQ(bus.read(kEmptyAddress, 1, buffer), aErrNotFound);

    // The device found answers through the router.
    Module child(kChildAddress, false, 0);
    child.setConfig(directConfig());
    ASSERT_EQ(child.connectThroughLinkModule(&router), aErrNone);
    SystemClass system;
    system.init(&child, 0);
    uint32_t serial = 0;
    EXPECT_EQ(system.getSerialNumber(&serial), aErrNone);
    EXPECT_EQ(serial, 0xA006u);
}

TEST_F(I2CThroughRouter, RefusedArgumentsSendNothingAndKeepTheSpeed) {
    ASSERT_EQ(bus.setSpeed(2), aErrNone);
    EXPECT_EQ(bus.setSpeed(4), aErrParam);
    EXPECT_EQ(bus.getSpeed(), 2);
    uint8_t buffer[24] = {};
    const size_t before = sim.history(kRouter).size();
    EXPECT_EQ(bus.read(kChildAddress, 24, buffer), aErrSize);
    EXPECT_EQ(bus.write(kChildAddress, 24, buffer), aErrSize);
    EXPECT_EQ(bus.read(kChildAddress, 1, nullptr), aErrParam);
    EXPECT_EQ(bus.write(kChildAddress, 1, nullptr), aErrParam);
    EXPECT_EQ(sim.history(kRouter).size(), before);
    ASSERT_EQ(bus.write(kChildAddress, 0, nullptr), aErrNone);
    EXPECT_EQ(stat("i2c_speed_6"), 2);
}

TEST_F(I2CThroughRouter, PullupSwitchIsAcknowledged) {
    EXPECT_EQ(bus.setPullup(true), aErrNone);
    EXPECT_EQ(lastRequest(), "020408000101");
    EXPECT_EQ(bus.setPullup(false), aErrNone);
    EXPECT_EQ(lastRequest(), "020408000100");
}

TEST_F(I2CThroughRouter, ReadRepliesThatDoNotAddUpAreRefusedUntouched) {
    struct Case {
        const char* name;
        const char* reply;
        uint32_t length;
        aErr expected;
        Bytes buffer;
    };
    const std::vector<Case> cases = {
        {"bytes returned",
         "080007020"
         "0AABB",
         2,
         aErrNone,
         {0xAA, 0xBB, 0xEE, 0xEE}},
        {"fewer than asked", "0800070100AA", 3, aErrNone, {0xAA, 0xEE, 0xEE, 0xEE}},
        {"count above the length asked", "0800070300AABBCC", 2, aErrPacket, Bytes(4, 0xEE)},
        {"count above the bytes carried", "0800070300AABB", 3, aErrPacket, Bytes(4, 0xEE)},
        {"count beyond any packet",
         "08000716"
         "00AABB",
         3, aErrPacket, Bytes(4, 0xEE)},
        {"shorter than a header", "08000702", 2, aErrPacket, Bytes(4, 0xEE)},
        {"bus status", "0800070285AABB", 2, aErrBusy, Bytes(4, 0xEE)},
        {"status without a code", "0800070080", 2, aErrUnknown, Bytes(4, 0xEE)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        sim.fault(kRouter, std::string("cmd=8 action=reply:") + c.reply + " times=1");
        Bytes buffer(4, 0xEE);
        EXPECT_EQ(bus.read(kChildAddress, c.length, buffer.data()), c.expected);
        EXPECT_EQ(buffer, c.buffer);
    }
    // A write's status byte counts the same way.
    sim.fault(kRouter, "cmd=8 action=reply:0800060085 times=1");
    const uint8_t one = 1;
    EXPECT_EQ(bus.write(kChildAddress, 1, &one), aErrBusy);
    sim.fault(kRouter, "cmd=8 action=drop times=1");
    EXPECT_EQ(bus.write(kChildAddress, 1, &one), aErrTimeout);
}

}  // namespace
