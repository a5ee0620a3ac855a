// SystemClass against the device simulator over TCP and emulated USB: the reads that discovery
// and the firmware update make, the bytes of their requests, and the byte-array and list forms.
#include <gtest/gtest.h>

#include "lynkor/entities/SystemClass.h"
#include "sim_module.h"

namespace {

using namespace entities_test;
using Norvane::Lynkor::SystemClass;

class SystemOnSimulator : public testing::TestWithParam<std::string> {
protected:
    SystemOnSimulator()
        : device(GetParam(), {"--version", "2.10.4", "--name", "Bench hub", "--identifier",
                              "11111111,22222222,33333333,44444444"}) {}

    void SetUp() override {
        ASSERT_EQ(device.connected, aErrNone);
        system.init(&device.module, 0);
        device.clear();
    }

    SimModule device;
    SystemClass system;
};

TEST_P(SystemOnSimulator, ReadsWhatDiscoveryAndTheUpdateNeed) {
    uint32_t serial = 0;
    ASSERT_EQ(system.getSerialNumber(&serial), aErrNone);
    EXPECT_EQ(serial, kSerialNumber);
    // Command 3, option 9 with the get flag, index 0 with the request flag.
    EXPECT_EQ(device.requests(), std::vector<std::string>{"0403034920"});

    uint8_t model = 0;
    uint8_t module = 0;
    uint8_t router = 0;
    uint32_t version = 0;
    uint32_t build = 0;
    uint32_t features = 0xFFFFFFFF;
    EXPECT_EQ(system.getModel(&model), aErrNone);
    EXPECT_EQ(model, kModel);
    EXPECT_EQ(system.getModule(&module), aErrNone);
    EXPECT_EQ(module, kAddress);
    EXPECT_EQ(system.getRouter(&router), aErrNone);
    EXPECT_EQ(router, kAddress);
    EXPECT_EQ(system.getVersion(&version), aErrNone);
    EXPECT_EQ(version, 0x2F020A04u);
    EXPECT_EQ(system.getBuild(&build), aErrNone);
    EXPECT_EQ(build, kBuild);
    EXPECT_EQ(system.getProtocolFeatures(&features), aErrNone);
    EXPECT_EQ(features, 0u);
    device.sim->upgrade(kSerial, "pooled=on");
    EXPECT_EQ(system.getProtocolFeatures(&features), aErrNone);
    EXPECT_EQ(features, 0x80000000u);

    char name[32] = {};
    uint32_t length = 0;
    EXPECT_EQ(system.getName(reinterpret_cast<uint8_t*>(name), sizeof name, &length), aErrNone);
    EXPECT_EQ(std::string(name, length), "Bench hub");

    // The identifier words travel by subindex; subindex k holds the word shown last but k.
    const uint32_t expected[] = {0x44444444, 0x33333333, 0x22222222, 0x11111111};
    for (uint8_t subindex = 0; subindex < 4; ++subindex) {
        uint32_t word = 0;
        EXPECT_EQ(system.getUEI32(39, subindex, &word), aErrNone);
        EXPECT_EQ(word, expected[subindex]) << int(subindex);
    }
    EXPECT_EQ(device.requests().back(), "040403672003");
}

TEST_P(SystemOnSimulator, NameAndPowerBehaviourConfigRoundTrip) {
    const std::string text = "A name longer than one packet can carry";
    ASSERT_EQ(system.setName(reinterpret_cast<const uint8_t*>(text.data()),
                             static_cast<uint32_t>(text.size())),
              aErrNone);
    uint8_t name[64] = {};
    uint32_t length = 0;
    ASSERT_EQ(system.getName(name, sizeof name, &length), aErrNone);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(name), length), text);

    const uint32_t values[] = {1, 0x80000000, 0x01020304, 0xFFFFFFFF};
    ASSERT_EQ(system.setInputPowerBehaviorConfig(values, 4), aErrNone);
    // Each value travels as the four bytes it has in memory.
    EXPECT_EQ(device.sim->bytes(kSerial, "3 31 0").bytes,
              Bytes(reinterpret_cast<const uint8_t*>(values),
                    reinterpret_cast<const uint8_t*>(values) + sizeof values));
    uint32_t read[4] = {};
    uint32_t count = 0;
    ASSERT_EQ(system.getInputPowerBehaviorConfig(read, 4, &count), aErrNone);
    EXPECT_EQ(count, 4u);
    EXPECT_TRUE(std::equal(values, values + 4, read));
}

TEST_P(SystemOnSimulator, AConfigListOfNoWholeNumberOfValuesIsRefused) {
    device.control("prop", "3 31 0 value=0102030405060708090A");
    uint32_t values[4] = {7, 7, 7, 7};
    uint32_t count = 99;
    EXPECT_EQ(system.getInputPowerBehaviorConfig(values, 4, &count), aErrMemory);
    EXPECT_EQ(count, 99u);
    EXPECT_EQ(values[0], 7u);
    // Room for four values is a get of up to 16 bytes: a 20-byte list overflows it.
    device.control("prop", "3 31 0 value=" + std::string(40, 'A'));
    EXPECT_EQ(system.getInputPowerBehaviorConfig(values, 4, &count), aErrMemory);
    device.control("prop", "3 31 0 value=" + std::string(32, 'B'));
    EXPECT_EQ(system.getInputPowerBehaviorConfig(values, 4, &count), aErrNone);
    EXPECT_EQ(count, 4u);
    EXPECT_EQ(values[3], 0xBBBBBBBBu);
}

INSTANTIATE_TEST_SUITE_P(Transports, SystemOnSimulator, testing::Values("tcp", "usb"));

}  // namespace
