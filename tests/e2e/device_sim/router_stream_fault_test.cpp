// The simulator as a router with devices behind it, as a streaming device, and under injected
// faults and delays, checked with a raw host.
#include <gtest/gtest.h>

#include <chrono>
#include <random>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "support/device_sim.h"
#include "support/raw_host.h"
#include "support/temp_dir.h"

namespace {

using testing_support::DeviceSim;
using testing_support::RawHost;
using testing_support::RawPacket;
using Bytes = std::vector<uint8_t>;
using Clock = std::chrono::steady_clock;

constexpr uint8_t kRouter = 2;

TEST(DeviceSimRouter, ForwardsToItsDevicesAndAnswersBusProbes) {
    DeviceSim sim({"--heartbeat-ms", "0",        "--device",  "0000A000", "--address", "2",
                   "--device",       "0000A006", "--address", "6",        "--behind",  "A000",
                   "--device",       "0000A00A", "--address", "10",       "--behind",  "A000",
                   "--version",      "2.9.1"});
    EXPECT_THROW(sim.endpoint("tcp", "0000A006"), std::runtime_error);
    RawHost host = RawHost::tcp(sim.tcpPort("0000A000"));

    const std::vector<std::pair<uint8_t, Bytes>> serials = {
        {2, {0, 0, 0xA0, 0x00}}, {6, {0, 0, 0xA0, 0x06}}, {10, {0, 0, 0xA0, 0x0A}}};
    for (const auto& [address, serial] : serials) {
        Bytes reply{3, 9, 0};
        reply.insert(reply.end(), serial.begin(), serial.end());
        EXPECT_EQ(host.request(address, {3, 0x49, 0x20}), (RawPacket{address, reply}));
    }
    EXPECT_EQ(host.request(6, {3, 0x42, 0x20}), (RawPacket{6, {3, 2, 0, kRouter}}));
    EXPECT_EQ(host.request(10, {3, 0x47, 0x20}), (RawPacket{10, {3, 7, 0, 0x2F, 2, 9, 1}}));
    EXPECT_EQ(host.request(10, {73, 0xFF}), (RawPacket{10, {73, 0xFF, 0, 0, 0x03, 0xE8}}));
    // Only the router answers the query address; nothing is behind address 8.
    EXPECT_EQ(host.request(0xAD, {}), (RawPacket{kRouter, {}}));
    host.send(8, {3, 0x49, 0x20});
    EXPECT_TRUE(host.quiet());

    EXPECT_EQ(host.request(kRouter, {3, 0x94, 0x20, 1}), (RawPacket{kRouter, {3, 0xD4, 0, 1}}));
    const std::vector<std::pair<Bytes, Bytes>> probes = {
        {{8, 0, 6, 2, 3, 0, 0}, {8, 0, 6, 0, 0}},
        {{8, 0, 8, 2, 3, 0, 0}, {8, 0, 8, 0, 0x83}},
        {{8, 0, 10, 2, 1, 0, 0}, {8, 0, 10, 0, 0}},
        {{8, 0, 11, 3, 3}, {8, 0, 11, 3, 0, 0, 0, 0}},
        {{8, 0, 1, 1}, {8, 0, 1, 1, 0}},
        {{8, 1, 6, 0, 3}, {8, 1, 6, 0, 0x9A}},
        {{8, 0, 6, 24, 3}, {8, 0, 6, 0, 0x8E}},
    };
    for (const auto& [request, reply] : probes) {
        EXPECT_EQ(host.request(kRouter, request), (RawPacket{kRouter, reply}));
    }
    sim.command("i2c-present 0000A000 0x20 on");
    EXPECT_EQ(host.request(kRouter, {8, 0, 0x20, 0, 3}), (RawPacket{kRouter, {8, 0, 0x20, 0, 0}}));

    // A muted router passes nothing on.
    sim.command("mute 0000A000 on");
    host.send(6, {3, 0x49, 0x20});
    EXPECT_TRUE(host.quiet());
    sim.command("mute 0000A000 off");

    auto router = sim.stats("0000A000");
    EXPECT_EQ(router["forwarded"], 5);
    EXPECT_EQ(router["foreign"], 1);
    EXPECT_EQ(router["route_to_me_sets"], 1);
    EXPECT_EQ(router["i2c_probes_6"], 1);
    EXPECT_EQ(router["i2c_probes_8"], 1);
    EXPECT_EQ(router["i2c_probes_10"], 2);
    EXPECT_EQ(router["i2c_speed_10"], 3);
    EXPECT_EQ(router["i2c_speed_6"], 3);
    EXPECT_EQ(router.count("i2c_probes_2"), 0u);
    EXPECT_EQ(sim.number("0000A000", "3 20 0"), 1u);
    auto child = sim.stats("0000A006");
    EXPECT_EQ(child["uei_gets"], 2);
    EXPECT_EQ(child["requests_3"], 2);
    EXPECT_EQ(sim.history("0000A006").back(), "0603034220");
}

// What a host accepts as a sample: types 1-3 and 5-7 with their exact lengths and a zero
// trailer, from a UEI report with the stream bit.
bool s_isSample(const Bytes& data) {
    static const size_t kLengths[] = {0, 14, 15, 17, 0, 15, 16, 18};
    if (data.size() < 5 || data[1] > 63 || (data[2] & 0xE0) != 0x40 || data.back() != 0) {
        return false;
    }
    const uint8_t type = data[3];
    return type < 8 && kLengths[type] != 0 && data.size() == kLengths[type];
}

uint64_t s_time(const Bytes& sample) {
    const size_t at = sample[3] >= 5 ? 5 : 4;
    uint64_t time = 0;
    for (size_t i = 0; i < 8; ++i) {
        time = time << 8 | sample[at + i];
    }
    return time;
}

TEST(DeviceSimStreams, SendsSamplesOfTheEnabledKeysAtTheSetPeriodUntilDisabled) {
    DeviceSim sim({"--heartbeat-ms", "0", "--device", "0000A000", "--address", "2", "--device",
                   "0000A006", "--address", "6", "--behind", "A000", "--stream-period-ms", "1"});
    RawHost host = RawHost::tcp(sim.tcpPort("0000A000"));

    // Input voltage (32-bit) of the device behind the router, and the identifier (subindexed).
    host.send(6, {93, 0x81, 0x20, 6, 3, 12, 0});
    host.send(6, {93, 0x81, 0x20, 6, 3, 39, 0});
    std::vector<RawPacket> acknowledgements;
    std::set<uint8_t> subindexes;
    size_t voltages = 0;
    size_t identifiers = 0;
    uint64_t lastTime = 0;
    // At 1 ms, 100 rounds take about 100 ms; allow a loaded machine 5 s.
    const auto deadline = Clock::now() + std::chrono::seconds(5);
    while (voltages < 100 && Clock::now() < deadline) {
        auto packet = host.receive();
        ASSERT_TRUE(packet);
        ASSERT_EQ(packet->address, 6);
        const Bytes& data = packet->data;
        if (data[0] == 93) {
            acknowledgements.push_back(*packet);
            continue;
        }
        ASSERT_TRUE(s_isSample(data)) << ::testing::PrintToString(data);
        if (data[1] == 12) {
            ++voltages;
            EXPECT_EQ(Bytes(data.begin(), data.begin() + 4), (Bytes{3, 12, 0x40, 3}));
            EXPECT_EQ(Bytes(data.end() - 5, data.end()), (Bytes{0, 0x4C, 0x4B, 0x40, 0}));
            EXPECT_GE(s_time(data), lastTime);
            lastTime = s_time(data);
        } else {
            ++identifiers;
            EXPECT_EQ(Bytes(data.begin(), data.begin() + 4), (Bytes{3, 39, 0x40, 7}));
            subindexes.insert(data[4]);
        }
    }
    EXPECT_EQ(voltages, 100u);
    // Four subindexes a round, from the round after the second key's enable on.
    EXPECT_GE(identifiers, 300u);
    EXPECT_LE(identifiers, 400u);
    EXPECT_EQ(subindexes, (std::set<uint8_t>{0, 1, 2, 3}));
    EXPECT_EQ(acknowledgements, (std::vector<RawPacket>{{6, {93, 0xC1, 0, 6, 3, 12, 0}},
                                                        {6, {93, 0xC1, 0, 6, 3, 39, 0}}}));
    EXPECT_EQ(sim.command("streams 0000A006"),
              (std::vector<std::string>{"key module=6 cmd=3 opt=12 idx=0",
                                        "key module=6 cmd=3 opt=39 idx=0"}));

    // Disabling with a wildcard option stops both keys.
    host.send(6, {93, 0x82, 0x20, 6, 3, 0xFF, 0});
    auto ack = host.receive(1000, std::chrono::milliseconds(500));
    EXPECT_EQ(std::count(ack.begin(), ack.end(), RawPacket{6, {93, 0xC2, 0, 6, 3, 0xFF, 0}}), 1);
    EXPECT_TRUE(host.quiet());
    EXPECT_EQ(host.request(6, {93, 0x41, 0x20}), (RawPacket{6, {93, 1, 0, 0}}));

    // Floods of valid samples and of packets a host must refuse.
    sim.command("stream-flood 0000A006 300 3 8 0");
    std::vector<RawPacket> samples = host.receive(300);
    ASSERT_EQ(samples.size(), 300u);
    EXPECT_TRUE(s_isSample(samples.back().data));
    EXPECT_EQ(samples.back().data[3], 1);
    sim.command("stream-garbage 0000A006 16");
    samples = host.receive(16);
    ASSERT_EQ(samples.size(), 16u);
    for (const RawPacket& garbage : samples) {
        EXPECT_FALSE(s_isSample(garbage.data)) << ::testing::PrintToString(garbage.data);
    }
    auto stats = sim.stats("0000A006");
    EXPECT_GE(stats["stream_samples"], static_cast<long>(voltages + identifiers + 300));
    EXPECT_EQ(stats["stream_garbage"], 16);
    EXPECT_EQ(sim.control("stream-flood 0000A006 1 3 32 0").back(),
              "error no readable number property there");
}

TEST(DeviceSimFaults, RulesFireExactlyTheirCountWithEachAction) {
    DeviceSim sim({"--heartbeat-ms", "0", "--device", "40F5849A", "--address", "4"});
    RawHost host = RawHost::tcp(sim.tcpPort("40F5849A"));
    const Bytes getSerial{3, 0x49, 0x20};
    const RawPacket serial{4, {3, 9, 0, 0x40, 0xF5, 0x84, 0x9A}};

    EXPECT_EQ(sim.fault("40F5849A", "cmd=3 opt=9 dir=get action=drop times=2"), 1u);
    EXPECT_EQ(sim.fault("40F5849A", "cmd=3 opt=4 dir=set action=error:18 times=1"), 2u);
    EXPECT_EQ(sim.fault("40F5849A", "cmd=95 opt=0 action=reply:5F0000001000"), 3u);
    EXPECT_EQ(sim.fault("40F5849A", "cmd=4 opt=7 action=error:31"), 4u);
    EXPECT_EQ(sim.fault("40F5849A", "cmd=73 opt=1 action=error:21 times=1"), 5u);

    host.send(4, getSerial);
    host.send(4, getSerial);
    EXPECT_TRUE(host.quiet());
    EXPECT_EQ(host.request(4, getSerial), serial);
    EXPECT_EQ(host.request(4, {3, 0x84, 0x20, 1}), (RawPacket{4, {3, 0xC4, 0x80, 18}}));
    EXPECT_EQ(host.request(4, {3, 0x84, 0x20, 1}), (RawPacket{4, {3, 0xC4, 0, 1}}));
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(host.request(4, {95, 0}), (RawPacket{4, {0x5F, 0, 0, 0, 0x10, 0}}));
    }
    EXPECT_EQ(host.request(4, {4, 7, 1, 9}), (RawPacket{4, {4, 0x87, 1, 31}}));
    EXPECT_EQ(host.request(4, {73, 1, 3, 9, 0, 0}), (RawPacket{4, {73, 1, 3, 9, 0, 21}}));
    EXPECT_EQ(host.request(4, {73, 1, 3, 9, 0, 0}), (RawPacket{4, {73, 1, 3, 9, 0, 0}}));

    const std::vector<std::string> rules = sim.command("faults 40F5849A");
    ASSERT_EQ(rules.size(), 5u);
    EXPECT_EQ(rules[0], "rule 1 cmd=3 opt=9 dir=get action=drop fired=2 left=0");
    EXPECT_EQ(rules[2], "rule 3 cmd=95 opt=0 action=reply:5F0000001000 fired=3 left=forever");
    EXPECT_EQ(sim.stats("40F5849A")["faults_fired"], 8);

    // A delayed answer comes late but comes; removed rules no longer fire.
    sim.fault("40F5849A", "cmd=3 opt=9 action=delay:300 times=1");
    const auto sent = Clock::now();
    EXPECT_EQ(host.request(4, getSerial), serial);
    EXPECT_GE(Clock::now() - sent, std::chrono::milliseconds(280));
    sim.command("clear-faults 40F5849A 3");
    EXPECT_EQ(host.request(4, {95, 0}), (RawPacket{4, {0x5F, 0, 0x20, 0, 0, 0}}));
    sim.command("clear-faults 40F5849A");
    EXPECT_TRUE(sim.command("faults 40F5849A").empty());

    const std::vector<std::string> refused = {
        "cmd=3 action=explode",     "opt=3 action=drop",      "cmd=3 action=drop times=0",
        "cmd=3 dir=up action=drop", "cmd=3 action=error:300", "cmd=3 bogus=1 action=drop"};
    for (const std::string& rule : refused) {
        EXPECT_EQ(sim.control("fault 40F5849A " + rule).back().rfind("error", 0), 0u) << rule;
    }
}

TEST(DeviceSimTiming, DevicesAnswerLateOrRefuseUsbClaimsWhenTold) {
    testing_support::TempDir bus;
    DeviceSim sim({"--heartbeat-ms", "0", "--usb-dir", bus.path(), "--device", "00000001", "--usb",
                   "--reply-delay-ms", "300", "--device", "00000002", "--usb", "--usb-busy"});
    const std::string busyPath = sim.endpoint("usb", "00000002");
    EXPECT_TRUE(RawHost::usbBusy(busyPath));
    EXPECT_THROW(RawHost::usb(busyPath), std::runtime_error);
    sim.command("usb-busy 00000002 off");
    RawHost second = RawHost::usb(busyPath);
    EXPECT_EQ(second.request(0xAD, {}), (RawPacket{2, {}}));

    RawHost late = RawHost::usb(sim.endpoint("usb", "00000001"));
    auto sent = Clock::now();
    EXPECT_EQ(late.request(0xAD, {}), (RawPacket{2, {}}));
    EXPECT_GE(Clock::now() - sent, std::chrono::milliseconds(280));
    sim.command("reply-delay 00000001 0");
    EXPECT_EQ(late.request(2, {23, 7}, std::chrono::milliseconds(250)), (RawPacket{2, {23, 7}}));
}

TEST(DeviceSimRobustness, HostsThatStopReadingOrLeaveEarlyStallNoOtherDevice) {
    testing_support::TempDir bus;
    DeviceSim sim({"--heartbeat-ms", "0", "--usb-dir", bus.path(), "--device", "00000001", "--usb",
                   "--stream-period-ms", "1", "--device", "00000002", "--reply-delay-ms", "100"});
    // A USB host that streams every system value at 1 kHz and never reads.
    RawHost stuck = RawHost::usb(sim.endpoint("usb", "00000001"));
    stuck.send(2, {93, 0x81, 0x20, 2, 3, 0xFF, 0});
    // A TCP host that leaves before its delayed answers are due.
    {
        RawHost leaving = RawHost::tcp(sim.tcpPort("00000002"));
        for (int i = 0; i < 10; ++i) {
            leaving.send(2, {23, static_cast<uint8_t>(i)});
        }
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(300));

    RawHost other = RawHost::tcp(sim.tcpPort("00000002"));
    for (int i = 0; i < 5; ++i) {
        const auto sent = Clock::now();
        EXPECT_EQ(other.request(2, {23, 0x42}), (RawPacket{2, {23, 0x42}}));
        EXPECT_LT(Clock::now() - sent, std::chrono::milliseconds(1000));
    }
    EXPECT_GT(sim.stats("00000001")["stream_samples"], 0);
}

TEST(DeviceSimRobustness, GarbageShortPacketsAndUnknownCommandsNeverStopTheDevice) {
    DeviceSim sim({"--heartbeat-ms", "0", "--device", "0000A000", "--address", "2", "--device",
                   "0000A006", "--address", "6", "--behind", "A000"});
    RawHost host = RawHost::tcp(sim.tcpPort("0000A000"));
    // Every command the device knows, cut short at every length, to the router and behind it.
    const std::vector<Bytes> requests = {{3, 0xA0, 0x20, 1, 2, 3, 0x80},
                                         {3, 0x67, 0x20, 0},
                                         {4, 7, 1, 1},
                                         {4, 4, 0, 0},
                                         {8, 0, 6, 2, 3, 0, 0},
                                         {73, 1, 3, 9, 0, 0},
                                         {92, 0x80, 0x20, 0, 0, 3, 0},
                                         {93, 0x81, 0x20, 0, 3, 9, 0},
                                         {94, 0x50, 1},
                                         {23, 1}};
    for (uint8_t address : {uint8_t{2}, uint8_t{6}}) {
        for (const Bytes& request : requests) {
            for (size_t length = 1; length <= request.size(); ++length) {
                host.send(address, Bytes(request.begin(), request.begin() + length));
            }
        }
    }
    // Line noise, then zeros to bring the framing back in step: a zero cannot start a packet.
    std::mt19937 random(1234);
    Bytes noise(20000);
    for (uint8_t& byte : noise) {
        byte = static_cast<uint8_t>(random());
    }
    host.sendRaw(noise);
    host.sendRaw(Bytes(32, 0));
    for (uint8_t address : {uint8_t{2}, uint8_t{6}}) {
        host.send(address, {93, 0x82, 0x20, 0xFF, 0xFF, 0xFF, 0xFF});
    }
    while (host.receive(std::chrono::milliseconds(300))) {
    }
    for (uint8_t address : {uint8_t{2}, uint8_t{6}}) {
        EXPECT_EQ(host.request(address, {23, 0x55}), (RawPacket{address, {23, 0x55}}));
    }
    EXPECT_GT(sim.stats("0000A006")["malformed"], 0);
}

}  // namespace
