// The object layer against the device simulator, over TCP and over emulated USB: connecting
// from a linkSpec, typed exchanges with their exact bytes, byte arrays, module queries, store
// slots, routing through a router, and streaming.

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <set>
#include <sstream>
#include <thread>

#include "connected_module.h"
#include "support/device_sim.h"
#include "support/direct_links.h"
#include "support/emulated_usb_bus.h"
#include "support/eventually.h"

namespace {

using namespace std::chrono_literals;
using api_test::directConfig;
using api_test::TestEntity;
using Norvane::Lynkor::Link;
using Norvane::Lynkor::Module;
using testing_support::DeviceSim;
using testing_support::eventually;
using testing_support::simLinkSpec;
using Bytes = std::vector<uint8_t>;

constexpr uint8_t kSystem = 3;
constexpr uint8_t kBytesCommand = 18;
const char* const kSerial = "40F5849A";
constexpr uint32_t kSerialNumber = 0x40F5849A;

std::string s_hex(const Bytes& bytes) {
    std::ostringstream text;
    for (uint8_t byte : bytes) {
        text << std::uppercase << std::hex << (byte < 16 ? "0" : "") << int(byte);
    }
    return text.str();
}

Bytes s_pattern(size_t length, uint8_t seed) {
    Bytes bytes(length);
    for (size_t i = 0; i < length; ++i) {
        bytes[i] = static_cast<uint8_t>(i * 13 + seed + i / 256);
    }
    return bytes;
}

// One simulated device on the transport of the test's parameter, with a Module connected to it.
class OnSimulator : public testing::TestWithParam<std::string> {
protected:
    OnSimulator()
        : sim({"--heartbeat-ms", "0", "--usb-dir", bus.path(), "--device", kSerial, "--address",
               "4", "--model", "17", "--build", "12345", "--identifier",
               "11111111,22222222,33333333,44444444", "--" + GetParam()}) {}

    void SetUp() override {
        sim.command(std::string("prop ") + kSerial + " 18 3 0 type=bytes access=rw");
        module.setConfig(directConfig());
        ASSERT_EQ(module.connectFromSpec(simLinkSpec(sim, GetParam(), kSerial, kSerialNumber)),
                  aErrNone);
        system.init(&module, kSystem, 0);
        bytes.init(&module, kBytesCommand, 0);
    }
    std::vector<std::string> history() { return sim.history(kSerial); }
    long stat(const std::string& name) { return sim.stats(kSerial)[name]; }

    testing_support::EmulatedUsbBus bus;
    DeviceSim sim;
    Module module{2, 17};
    TestEntity system;
    TestEntity bytes;
};

TEST_P(OnSimulator, ConnectsFromSpecLearnsItsAddressAndExchangesTypedValues) {
    EXPECT_EQ(module.getModuleAddress(), 4);
    uint32_t value = 0;
    uint8_t small = 0;
    EXPECT_EQ(system.getUEI32(9, &value), aErrNone);
    EXPECT_EQ(value, kSerialNumber);
    EXPECT_EQ(history().back(), "0403034920");
    EXPECT_EQ(system.getUEI8(8, &small), aErrNone);
    EXPECT_EQ(small, 17);
    EXPECT_EQ(system.setUEI8(4, 7), aErrNone);
    EXPECT_EQ(history().back(), "040403842007");
    EXPECT_EQ(system.getUEI8(4, &small), aErrNone);
    EXPECT_EQ(small, 7);
    EXPECT_EQ(system.setUEI32(34, 0x00010002), aErrNone);
    EXPECT_EQ(history().back(), "040703A22000010002");
    EXPECT_EQ(system.getUEI32(34, &value), aErrNone);
    EXPECT_EQ(value, 0x00010002u);
    EXPECT_EQ(system.getUEI32(39, 3, &value), aErrNone);
    EXPECT_EQ(history().back(), "040403672003");
    EXPECT_EQ(value, 0x11111111u);
    EXPECT_EQ(system.getUEI32(39, 4, &value), aErrIndexRange);
    EXPECT_EQ(system.callUEI(10), aErrNone);
    EXPECT_EQ(history().back(), "0403038A20");
    EXPECT_EQ(system.setUEI32(9, 1), aErrPermission);

    uint32_t build = 0;
    EXPECT_EQ(module.getBuild(&build), aErrNone);
    EXPECT_EQ(build, 12345u);
    EXPECT_EQ(module.hasUEI(kSystem, 32, 0, UEI_SET), aErrNone);
    EXPECT_EQ(module.hasUEI(kSystem, 9, 0, UEI_SET), aErrPermission);
    uint8_t count = 0;
    EXPECT_EQ(module.classQuantity(kSystem, &count), aErrNone);
    EXPECT_EQ(count, 1);
    sim.command(std::string("entity-info ") + kSerial + " 18 0 subclasses=3 group=5");
    EXPECT_EQ(module.subClassQuantity(18, 0, &count), aErrNone);
    EXPECT_EQ(count, 3);
    EXPECT_EQ(module.entityGroup(18, 0, &count), aErrNone);
    EXPECT_EQ(count, 5);
    const uint8_t echo[] = {9, 8, 7};
    EXPECT_EQ(module.debug(echo, sizeof echo), aErrNone);
}

TEST_P(OnSimulator, ByteArraysOfEverySizeArriveWhole) {
    for (size_t length : {size_t{0}, size_t{25}, size_t{24005}}) {
        SCOPED_TRACE(length);
        const Bytes data = s_pattern(length, static_cast<uint8_t>(length));
        ASSERT_EQ(bytes.setUEIBytes(3, data.data(), static_cast<uint32_t>(length)), aErrNone);
        const testing_support::SimBytes held = sim.bytes(kSerial, "18 3 0");
        EXPECT_EQ(held.length, length);
        EXPECT_EQ(held.digest, DeviceSim::digest(data));
    }
    // Longer than the reply queue's bound of 1000 packets.
    constexpr uint32_t kLength = 24005;
    const Bytes data = s_pattern(kLength, 0x55);
    ASSERT_EQ(bytes.setUEIBytes(3, data.data(), kLength), aErrNone);
    Bytes buffer(kLength + 16, 0xEE);
    uint32_t received = 0;
    EXPECT_EQ(bytes.getUEIBytes(3, buffer.data(), kLength, &received), aErrNone);
    EXPECT_EQ(received, kLength);
    EXPECT_TRUE(std::equal(data.begin(), data.end(), buffer.begin()));
    EXPECT_EQ(bytes.getUEIBytes(3, buffer.data(), kLength - 1, &received), aErrMemory);
    EXPECT_EQ(received, kLength - 5);
    EXPECT_TRUE(
        std::all_of(buffer.begin() + kLength, buffer.end(), [](uint8_t b) { return b == 0xEE; }));
    // The refused get's remaining packets do not spoil the next one.
    EXPECT_EQ(bytes.getUEIBytes(3, buffer.data(), kLength, &received), aErrNone);
    EXPECT_EQ(received, kLength);
}

// Makes the device answer the next get of the byte array with these packets, sent once the get
// has reached it (the device itself drops the get).
std::thread s_answerGetWith(DeviceSim& sim, const std::vector<Bytes>& packets) {
    sim.fault(kSerial, "cmd=18 opt=3 dir=get action=drop times=1");
    return std::thread([&sim, packets] {
        eventually([&] { return sim.stats(kSerial)["faults_fired"] > 0; });
        for (const Bytes& packet : packets) {
            sim.command(std::string("packet ") + kSerial + " " + s_hex(packet));
        }
    });
}

TEST_P(OnSimulator, ByteArrayGetsReportGapsAndDeviceErrorsMidRun) {
    const Bytes first = {kBytesCommand, 3, 0, 1, 2, 3, 0x80};
    const Bytes second = {kBytesCommand, 3, 0, 4, 5, 6, 0x81};
    const Bytes fourth = {kBytesCommand, 3, 0, 7, 8, 9, 0x03};
    const Bytes error = {kBytesCommand, 3, 0x80, aErrBusy};
    struct Case {
        const char* name;
        std::vector<Bytes> packets;
        aErr expected;
        uint32_t received;
    };
    for (const Case& c : {Case{"gap", {first, second, fourth}, aErrTimeout, 6},
                          Case{"error mid-run", {first, second, error}, aErrBusy, 6}}) {
        SCOPED_TRACE(c.name);
        sim.command(std::string("clear ") + kSerial);
        std::thread device = s_answerGetWith(sim, c.packets);
        Bytes buffer(64);
        uint32_t received = 0;
        EXPECT_EQ(bytes.getUEIBytes(3, buffer.data(), 64, &received), c.expected);
        device.join();
        EXPECT_EQ(received, c.received);
        EXPECT_EQ(Bytes(buffer.begin(), buffer.begin() + 6), (Bytes{1, 2, 3, 4, 5, 6}));
    }
}

TEST_P(OnSimulator, StoreSlotsLoadUnloadAndFail) {
    const Bytes data = s_pattern(100, 3);
    // Handles count from 1: the first write is answered with a wrong sum.
    sim.fault(kSerial, "cmd=4 opt=7 action=reply:04070100 times=1");
    EXPECT_EQ(module.getLink()->loadStoreSlot(4, 0, 1, data.data(), 100), aErrIO);
    EXPECT_EQ(module.getLink()->loadStoreSlot(4, 0, 1, data.data(), 100), aErrNone);
    EXPECT_EQ(sim.slot(kSerial, 0, 1).digest, DeviceSim::digest(data));
    Bytes buffer(100);
    uint32_t count = 0;
    EXPECT_EQ(module.getLink()->unloadStoreSlot(4, 0, 1, buffer.data(), 100, &count), aErrNone);
    EXPECT_EQ(count, 100u);
    EXPECT_EQ(buffer, data);
    EXPECT_EQ(module.getLink()->unloadStoreSlot(4, 0, 1, buffer.data(), 40, &count), aErrOverrun);
    EXPECT_EQ(count, 40u);
    sim.fault(kSerial, "cmd=4 opt=4 action=error:12 times=1");
    EXPECT_EQ(module.getLink()->loadStoreSlot(4, 0, 1, data.data(), 100), aErrMedia);
    uint32_t size = 0;
    EXPECT_EQ(module.getLink()->storeSlotSize(4, 0, 1, &size), aErrNone);
    EXPECT_EQ(size, 100u);
}

TEST_P(OnSimulator, StreamsAtOneKilohertzInOrderAndServesGetsFromTheCache) {
    sim.command(std::string("stream-period ") + kSerial + " 1");
    std::mutex mutex;
    std::vector<uint64_t> times;
    std::set<std::thread::id> threads;
    std::set<uint8_t> options;
    // Every option of the system entity.
    ASSERT_EQ(system.registerOptionCallback(
                  0xFF, true,
                  [&](const aPacket* packet, void*) -> uint8_t {
                      uint64_t time = 0;
                      Link::getStreamSample(packet, &time, nullptr, nullptr);
                      std::lock_guard lock(mutex);
                      times.push_back(time);
                      threads.insert(std::this_thread::get_id());
                      options.insert(packet->data[1]);
                      return 0;
                  },
                  nullptr),
              aErrNone);
    EXPECT_EQ(history().back(), "04075D81200403FF00");
    ASSERT_TRUE(eventually([&] {
        std::lock_guard lock(mutex);
        return times.size() >= 1000;
    }));
    {
        std::lock_guard lock(mutex);
        EXPECT_TRUE(std::is_sorted(times.begin(), times.end()));
        // About a millisecond apart, each round of options with one time stamp.
        EXPECT_GE(times.back() - times.front(), 1000u * 200 / options.size());
        EXPECT_GT(options.size(), 3u);
        EXPECT_TRUE(options.contains(9));
        EXPECT_EQ(threads.size(), 1u);
        EXPECT_FALSE(threads.contains(std::this_thread::get_id()));
    }
    const long gets = stat("uei_gets");
    uint32_t value = 0;
    EXPECT_EQ(system.getUEI32(9, &value), aErrNone);
    EXPECT_EQ(value, kSerialNumber);
    EXPECT_EQ(stat("uei_gets"), gets);

    // A flood of samples with a slow callback: a get of an unstreamed value still gets through.
    ASSERT_EQ(system.registerOptionCallback(
                  9, true,
                  [](const aPacket*, void*) -> uint8_t {
                      std::this_thread::sleep_for(2ms);
                      return 0;
                  },
                  nullptr),
              aErrNone);
    sim.command(std::string("stream-flood ") + kSerial + " 3000 3 9 0");
    const auto start = std::chrono::steady_clock::now();
    uint8_t model = 0;
    EXPECT_EQ(system.getUEI8(8, &model), aErrNone);
    EXPECT_LT(std::chrono::steady_clock::now() - start, 1s);

    EXPECT_EQ(system.registerOptionCallback(9, false, nullptr, nullptr), aErrNone);
    EXPECT_EQ(history().back(), "04075D822004030900");
    EXPECT_EQ(system.registerOptionCallback(0xFF, false, nullptr, nullptr), aErrNone);
    EXPECT_EQ(history().back(), "04075D82200403FF00");
    EXPECT_TRUE(eventually([&] { return sim.command(std::string("streams ") + kSerial).empty(); }));
}

INSTANTIATE_TEST_SUITE_P(Transports, OnSimulator, testing::Values("tcp", "usb"));

TEST(RouterOnSimulator, ChildrenReadThroughTheRouterAndOutliveIt) {
    testing_support::EmulatedUsbBus bus;
    DeviceSim sim({"--heartbeat-ms",
                   "0",
                   "--usb-dir",
                   bus.path(),
                   "--device",
                   "0000A000",
                   "--address",
                   "2",
                   "--usb",
                   "--device",
                   "0000A006",
                   "--address",
                   "6",
                   "--behind",
                   "A000",
                   "--device",
                   "0000A00A",
                   "--address",
                   "10",
                   "--behind",
                   "A000"});
    auto router = std::make_unique<Module>(8, uint8_t{0});
    router->setConfig(directConfig());
    ASSERT_EQ(router->connectFromSpec(simLinkSpec(sim, "usb", "0000A000", 0xA000)), aErrNone);
    EXPECT_EQ(router->getModuleAddress(), 2);
    Module first(6, uint8_t{0});
    Module second(10, uint8_t{0});
    ASSERT_EQ(first.connectThroughLinkModule(router.get()), aErrNone);
    ASSERT_EQ(second.connectThroughLinkModule(router.get()), aErrNone);
    TestEntity firstSystem;
    TestEntity secondSystem;
    firstSystem.init(&first, kSystem, 0);
    secondSystem.init(&second, kSystem, 0);
    uint32_t serial = 0;
    EXPECT_EQ(firstSystem.getUEI32(9, &serial), aErrNone);
    EXPECT_EQ(serial, 0xA006u);
    router.reset();
    EXPECT_EQ(secondSystem.getUEI32(9, &serial), aErrNone);
    EXPECT_EQ(serial, 0xA00Au);
    EXPECT_EQ(firstSystem.getUEI32(9, &serial), aErrNone);
    EXPECT_EQ(serial, 0xA006u);
    first.disconnect();
    EXPECT_EQ(secondSystem.getUEI32(9, &serial), aErrNone);
}

}  // namespace
