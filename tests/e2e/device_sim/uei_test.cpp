// The simulator's typed entity protocol, module queries, store slots and factory data, checked
// byte for byte with a raw host so that the library's tests can rely on them.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/device_sim.h"
#include "support/raw_host.h"
#include "support/temp_dir.h"

namespace {

using testing_support::DeviceSim;
using testing_support::RawHost;
using testing_support::RawPacket;
using Bytes = std::vector<uint8_t>;

constexpr uint8_t kAddress = 4;

struct Exchange {
    const char* what;
    Bytes request;
    Bytes reply;
};

// Identifier words as a fingerprint shows them; subindex k answers word 3 - k.
const char* const kIdentifier = "11111111,22222222,33333333,44444444";

std::vector<std::string> s_deviceArgs(const std::string& transport, const std::string& bus) {
    std::vector<std::string> args{
        "--heartbeat-ms", "0",     "--usb-dir",    bus,         "--device",  "40F5849A",
        "--address",      "4",     "--model",      "17",        "--version", "2.10.4",
        "--build",        "12345", "--identifier", kIdentifier, "--name",    "Bench"};
    args.push_back("--" + transport);
    return args;
}

RawHost s_connect(DeviceSim& sim, const std::string& transport) {
    return transport == "tcp" ? RawHost::tcp(sim.tcpPort("40F5849A"))
                              : RawHost::usb(sim.endpoint("usb", "40F5849A"));
}

class DeviceSimUei : public testing::TestWithParam<std::string> {};

TEST_P(DeviceSimUei, AnswersGetsSetsCallsAndModuleQueriesWithTheirExactBytes) {
    testing_support::TempDir bus;
    DeviceSim sim(s_deviceArgs(GetParam(), bus.path()));
    RawHost host = s_connect(sim, GetParam());
    const std::vector<Exchange> exchanges = {
        {"serial number", {3, 0x49, 0x20}, {3, 9, 0, 0x40, 0xF5, 0x84, 0x9A}},
        {"version, packed", {3, 0x47, 0x20}, {3, 7, 0, 0x2F, 2, 10, 4}},
        {"model", {3, 0x48, 0x20}, {3, 8, 0, 17}},
        {"module address", {3, 0x41, 0x20}, {3, 1, 0, kAddress}},
        {"router: its own address", {3, 0x42, 0x20}, {3, 2, 0, kAddress}},
        {"build", {3, 0x6B, 0x20}, {3, 43, 0, 0, 0, 0x30, 0x39}},
        {"set LED", {3, 0x84, 0x20, 7}, {3, 0xC4, 0, 7}},
        {"LED as set", {3, 0x44, 0x20}, {3, 4, 0, 7}},
        {"set a 32-bit value", {3, 0xA2, 0x20, 0, 1, 0, 2}, {3, 0xE2, 0, 0, 1, 0, 2}},
        {"32-bit value as set", {3, 0x62, 0x20}, {3, 34, 0, 0, 1, 0, 2}},
        {"call save", {3, 0x8A, 0x20}, {3, 0xCA, 0}},
        {"identifier subindex 0", {3, 0x67, 0x20, 0}, {3, 39, 0, 0x44, 0x44, 0x44, 0x44}},
        {"identifier subindex 3", {3, 0x67, 0x20, 3}, {3, 39, 0, 0x11, 0x11, 0x11, 0x11}},
        {"identifier subindex 4", {3, 0x67, 0x20, 4}, {3, 39, 0x80, 26}},
        {"route to me", {3, 0x94, 0x20, 1}, {3, 0xD4, 0, 1}},
        {"route to me cannot be read", {3, 0x54, 0x20}, {3, 20, 0x80, 12}},
        {"unknown option", {3, 0x72, 0x20}, {3, 50, 0x80, 29}},
        {"unknown entity class", {18, 0x41, 0x20}, {18, 1, 0x80, 28}},
        {"unknown entity index", {3, 0x49, 0x21}, {3, 9, 0x81, 26}},
        {"set of a read-only value", {3, 0x89, 0x20, 0, 0, 0, 1}, {3, 0xC9, 0x80, 12}},
        {"set of the wrong width", {3, 0x84, 0x20, 0, 7}, {3, 0xC4, 0x80, 14}},
        {"both direction flags", {3, 0xC9, 0x20}, {3, 0xC9, 0x80, 2}},
        {"streaming status", {93, 0x41, 0x20}, {93, 1, 0, 0}},
        {"echo", {23, 1, 2, 3}, {23, 1, 2, 3}},
        {"build query", {73, 0xFF}, {73, 0xFF, 0, 0, 0x30, 0x39}},
        {"has settable name", {73, 1, 3, 32, 0, 0x80}, {73, 1, 3, 32, 0, 0}},
        {"serial is not settable", {73, 1, 3, 9, 0, 0x80}, {73, 1, 3, 9, 0, 12}},
        {"has the identifier", {73, 1, 3, 39, 0, 0x40}, {73, 1, 3, 39, 0, 0}},
        {"has the upgrade data option", {73, 1, 95, 10, 0, 0x80}, {73, 1, 95, 10, 0, 0}},
        {"direction with both flags", {73, 1, 3, 9, 0, 0xC0}, {73, 1, 3, 9, 0, 2}},
        {"system entities", {73, 4, 3}, {73, 4, 3, 1}},
        {"store entities", {73, 4, 77}, {73, 4, 77, 1}},
        {"subclasses, none set", {73, 5, 36, 1}, {73, 5, 36, 1, 0}},
        {"entity group, none set", {73, 6, 36, 1}, {73, 6, 36, 1, 0}},
    };
    for (const Exchange& exchange : exchanges) {
        SCOPED_TRACE(exchange.what);
        EXPECT_EQ(host.request(kAddress, exchange.request), (RawPacket{kAddress, exchange.reply}));
    }
    EXPECT_TRUE(host.quiet());

    sim.command("entity-info 40F5849A 36 1 subclasses=3 group=2");
    EXPECT_EQ(host.request(kAddress, {73, 5, 36, 1}), (RawPacket{kAddress, {73, 5, 36, 1, 3}}));
    EXPECT_EQ(host.request(kAddress, {73, 6, 36, 1}), (RawPacket{kAddress, {73, 6, 36, 1, 2}}));

    auto stats = sim.stats("40F5849A");
    EXPECT_EQ(stats["uei_gets"], 11);
    EXPECT_EQ(stats["uei_sets"], 3);
    EXPECT_EQ(stats["uei_calls"], 1);
    EXPECT_EQ(stats["uei_errors"], 8);
    EXPECT_EQ(stats["route_to_me_sets"], 1);
    EXPECT_EQ(stats["requests_73"], 12);
    EXPECT_EQ(sim.number("40F5849A", "3 20 0"), 1u);
    EXPECT_EQ(sim.number("40F5849A", "3 4 0"), 7u);
}

INSTANTIATE_TEST_SUITE_P(Transports, DeviceSimUei, testing::Values("tcp", "usb"));

TEST(DeviceSimProperties, ControlDefinesAndChangesWhatTheWireSees) {
    DeviceSim sim({"--heartbeat-ms", "0", "--device", "00000001", "--address", "4", "--version",
                   "0x12345678"});
    RawHost host = RawHost::tcp(sim.tcpPort("00000001"));
    EXPECT_EQ(sim.number("00000001", "3 7 0"), 0x12345678u);

    // A power-data object kept per subindex, first read-only, then writable.
    sim.command("prop 00000001 36 1 0 5 type=u32 value=0x12345678");
    EXPECT_EQ(host.request(kAddress, {36, 0x41, 0x20, 5}),
              (RawPacket{kAddress, {36, 1, 0, 0x12, 0x34, 0x56, 0x78}}));
    EXPECT_EQ(host.request(kAddress, {36, 0x41, 0x20}), (RawPacket{kAddress, {36, 1, 0x80, 26}}));
    EXPECT_EQ(host.request(kAddress, {36, 0x81, 0x20, 5, 0, 0, 0, 9}),
              (RawPacket{kAddress, {36, 0xC1, 0x80, 12}}));
    sim.command("prop 00000001 36 1 0 5 access=rw");
    EXPECT_EQ(host.request(kAddress, {36, 0x81, 0x20, 5, 0, 0, 0, 9}),
              (RawPacket{kAddress, {36, 0xC1, 0, 0, 0, 0, 9}}));
    EXPECT_EQ(sim.number("00000001", "36 1 0 5"), 9u);
    EXPECT_EQ(host.request(kAddress, {73, 4, 36}), (RawPacket{kAddress, {73, 4, 36, 1}}));

    sim.command("prop 00000001 3 9 0 value=0xCAFE");
    EXPECT_EQ(host.request(kAddress, {3, 0x49, 0x20}),
              (RawPacket{kAddress, {3, 9, 0, 0, 0, 0xCA, 0xFE}}));
    sim.command("prop 00000001 3 32 0 value=414243");
    EXPECT_EQ(host.request(kAddress, {3, 0x60, 0x20}),
              (RawPacket{kAddress, {3, 32, 0, 'A', 'B', 'C', 0}}));

    for (const char* refused :
         {"prop 00000001 36 2 0 value=1", "prop 00000001 36 2 0 type=u64",
          "prop 00000001 3 4 0 value=256", "prop 00000001 3 4 0 access=none", "get 00000001 3 99 0",
          "get 00000001 3", "slot 00000001 0 9", "factory 00000001 16", "usb-busy 00000001 on",
          "stream-period 00000001 0"}) {
        EXPECT_EQ(sim.control(refused).back().rfind("error", 0), 0u) << refused;
    }
}

Bytes s_pattern(size_t length, uint8_t seed) {
    Bytes bytes(length);
    for (size_t i = 0; i < length; ++i) {
        bytes[i] = static_cast<uint8_t>(seed + i * 7);
    }
    return bytes;
}

// Sends `value` as a set run of option 32 (the name), as the library does.
void s_setName(RawHost& host, const Bytes& value) {
    host.sendRun(kAddress, {3, 0xA0, 0x20}, value);
}

// Gets option 32 and collects the run's payload; checks every trailer on the way.
Bytes s_getName(RawHost& host) {
    host.send(kAddress, {3, 0x60, 0x20});
    Bytes value;
    for (uint8_t sequence = 0;; sequence = (sequence + 1) & 0x7F) {
        auto packet = host.receive();
        if (!packet || packet->data.size() < 4 || packet->data[1] != 32) {
            ADD_FAILURE() << "the run broke off";
            return value;
        }
        EXPECT_EQ(packet->data.back() & 0x7F, sequence);
        value.insert(value.end(), packet->data.begin() + 3, packet->data.end() - 1);
        if ((packet->data.back() & 0x80) == 0) {
            return value;
        }
    }
}

TEST(DeviceSimBytes, SetRunsAreAcknowledgedOnceAndGetRunsCarryTwentyFourBytesAPacket) {
    DeviceSim sim({"--heartbeat-ms", "0", "--device", "40F5849A", "--address", "4", "--name",
                   "Rack 3 / bench supply, left.."});
    RawHost host = RawHost::tcp(sim.tcpPort("40F5849A"));

    // A 29-character name takes two packets.
    host.send(kAddress, {3, 0x60, 0x20});
    const std::string name = "Rack 3 / bench supply, left..";
    Bytes first{3, 32, 0};
    first.insert(first.end(), name.begin(), name.begin() + 24);
    first.push_back(0x80);
    Bytes second{3, 32, 0};
    second.insert(second.end(), name.begin() + 24, name.end());
    second.push_back(0x01);
    EXPECT_EQ(host.receive(2), (std::vector<RawPacket>{{kAddress, first}, {kAddress, second}}));

    // 25 bytes: 24 with trailer 0x80, then 1 with trailer 0x01, and one acknowledgement.
    const Bytes value = s_pattern(25, 1);
    s_setName(host, value);
    EXPECT_EQ(host.receive(), (RawPacket{kAddress, {3, 0xE0, 0}}));
    EXPECT_TRUE(host.quiet());
    auto stored = sim.bytes("40F5849A", "3 32 0");
    EXPECT_EQ(stored.length, 25u);
    EXPECT_EQ(stored.digest, DeviceSim::digest(value));
    EXPECT_EQ(stored.bytes, value);

    // An empty value is one packet with a zero trailer, both ways.
    EXPECT_EQ(host.request(kAddress, {3, 0xA0, 0x20, 0}), (RawPacket{kAddress, {3, 0xE0, 0}}));
    EXPECT_EQ(host.request(kAddress, {3, 0x60, 0x20}), (RawPacket{kAddress, {3, 32, 0, 0}}));

    // 131 packets: the sequence wraps after 127 within one run, both ways.
    const Bytes longValue = s_pattern(24 * 130 + 5, 9);
    s_setName(host, longValue);
    EXPECT_EQ(host.receive(), (RawPacket{kAddress, {3, 0xE0, 0}}));
    EXPECT_EQ(s_getName(host), longValue);

    // A run whose sequence breaks is refused once; the rest of it is ignored and the stored
    // value stays.
    host.send(kAddress, {3, 0xA0, 0x20, 1, 2, 3, 0x80});
    host.send(kAddress, {3, 0xA0, 0x20, 4, 5, 6, 0x82});
    host.send(kAddress, {3, 0xA0, 0x20, 7, 8, 9, 0x03});
    EXPECT_EQ(host.receive(), (RawPacket{kAddress, {3, 0xE0, 0x80, 24}}));
    EXPECT_TRUE(host.quiet());
    EXPECT_EQ(sim.bytes("40F5849A", "3 32 0").bytes, longValue);

    // The control socket sets the name as text.
    sim.command("name 40F5849A Left bench");
    EXPECT_EQ(s_getName(host), (Bytes{'L', 'e', 'f', 't', ' ', 'b', 'e', 'n', 'c', 'h'}));

    auto stats = sim.stats("40F5849A");
    EXPECT_EQ(stats["runs_in"], 3);
    EXPECT_EQ(stats["runs_out"], 4);
    EXPECT_EQ(stats["runs_refused"], 1);
}

TEST(DeviceSimStore, SlotsMoveThroughHandlesWithSumsAndEntitiesSaveLoadAndReset) {
    DeviceSim sim({"--heartbeat-ms", "0", "--device", "40F5849A", "--address", "4"});
    RawHost host = RawHost::tcp(sim.tcpPort("40F5849A"));
    const Bytes data = s_pattern(30, 3);
    uint8_t sum25 = 0;
    uint8_t sum5 = 0;
    for (size_t i = 0; i < data.size(); ++i) {
        (i < 25 ? sum25 : sum5) += data[i];
    }

    EXPECT_EQ(host.request(kAddress, {4, 1, 0, 1}), (RawPacket{kAddress, {4, 1, 0, 1, 4, 0}}));
    auto opened = host.request(kAddress, {4, 4, 0, 1});
    ASSERT_TRUE(opened && opened->data.size() == 5);
    const uint8_t handle = opened->data[4];
    Bytes write{4, 7, handle};
    write.insert(write.end(), data.begin(), data.begin() + 25);
    EXPECT_EQ(host.request(kAddress, write), (RawPacket{kAddress, {4, 7, handle, sum25}}));
    write = {4, 7, handle};
    write.insert(write.end(), data.begin() + 25, data.end());
    EXPECT_EQ(host.request(kAddress, write), (RawPacket{kAddress, {4, 7, handle, sum5}}));
    EXPECT_EQ(host.request(kAddress, {4, 8, handle}), (RawPacket{kAddress, {4, 8, handle, 0}}));
    EXPECT_EQ(sim.slot("40F5849A", 0, 1).bytes, data);
    EXPECT_EQ(host.request(kAddress, {4, 2, 0, 1}), (RawPacket{kAddress, {4, 2, 0, 1, 0, 30}}));

    opened = host.request(kAddress, {4, 3, 0, 1});
    ASSERT_TRUE(opened && opened->data.size() == 5);
    const uint8_t reader = opened->data[4];
    Bytes readBack;
    for (size_t expected : {25u, 5u, 0u}) {
        auto chunk = host.request(kAddress, {4, 6, reader});
        ASSERT_TRUE(chunk);
        ASSERT_EQ(chunk->data.size(), 3 + expected);
        readBack.insert(readBack.end(), chunk->data.begin() + 3, chunk->data.end());
    }
    EXPECT_EQ(readBack, data);
    EXPECT_EQ(host.request(kAddress, {4, 8, reader}), (RawPacket{kAddress, {4, 8, reader, 0}}));

    // Refusals carry the code in byte 4 for the slot requests and in byte 3 for the others.
    sim.command("slot 40F5849A 0 2 capacity=10");
    EXPECT_EQ(host.request(kAddress, {77, 0x87, 0x20, 3, 1}),
              (RawPacket{kAddress, {77, 0xC7, 0, 1}}));
    EXPECT_EQ(host.request(kAddress, {77, 0x82, 0x20, 0}), (RawPacket{kAddress, {77, 0xC2, 0, 0}}));
    const std::vector<Exchange> refusals = {
        {"unknown slot", {4, 1, 0, 9}, {4, 0x81, 0, 9, 26}},
        {"locked slot", {4, 4, 0, 3}, {4, 0x84, 0, 3, 12}},
        {"disabled slot", {4, 3, 0, 0}, {4, 0x83, 0, 0, 11}},
        {"unknown handle", {4, 7, 77, 1}, {4, 0x87, 77, 2}},
        {"close of an unknown handle", {4, 8, 77}, {4, 0x88, 77, 2}},
        {"unknown sub-command", {4, 5, 1}, {4, 0x85, 1, 21}},
    };
    for (const Exchange& exchange : refusals) {
        SCOPED_TRACE(exchange.what);
        EXPECT_EQ(host.request(kAddress, exchange.request), (RawPacket{kAddress, exchange.reply}));
    }
    opened = host.request(kAddress, {4, 4, 0, 2});
    ASSERT_TRUE(opened && opened->data.size() == 5);
    Bytes tooMuch{4, 7, opened->data[4]};
    tooMuch.resize(3 + 11, 1);
    EXPECT_EQ(host.request(kAddress, tooMuch),
              (RawPacket{kAddress, {4, 0x87, opened->data[4], 15}}));

    // Entity store operations on the system entity's LED option.
    const std::vector<Exchange> store = {
        {"LED 7", {3, 0x84, 0x20, 7}, {3, 0xC4, 0, 7}},
        {"save", {92, 0x80, 0x20, 0, 0, 3, 0}, {92, 0xC0, 0, 0, 0, 3, 0}},
        {"LED 9", {3, 0x84, 0x20, 9}, {3, 0xC4, 0, 9}},
        {"load", {92, 0x82, 0x20, 0, 0, 3, 0}, {92, 0xC2, 0, 0, 0, 3, 0}},
        {"LED loaded", {3, 0x44, 0x20}, {3, 4, 0, 7}},
        {"reset", {92, 0x81, 0x20, 0, 0, 3, 0}, {92, 0xC1, 0, 0, 0, 3, 0}},
        {"LED reset", {3, 0x44, 0x20}, {3, 4, 0, 0}},
        {"unknown entity", {92, 0x80, 0x20, 0, 0, 18, 0}, {92, 0xC0, 0x80, 28}},
        {"nothing saved", {92, 0x82, 0x20, 0, 0, 77, 0}, {92, 0xC2, 0x80, 3}},
    };
    for (const Exchange& exchange : store) {
        SCOPED_TRACE(exchange.what);
        EXPECT_EQ(host.request(kAddress, exchange.request), (RawPacket{kAddress, exchange.reply}));
    }
    auto stats = sim.stats("40F5849A");
    EXPECT_EQ(stats["store_saves"], 1);
    EXPECT_EQ(stats["store_loads"], 1);
    EXPECT_EQ(stats["store_resets"], 1);
}

TEST(DeviceSimFactory, BlocksAreWrittenAndReadInPacketsAndKeptOnlyWhenTheTotalMatches) {
    DeviceSim sim({"--heartbeat-ms", "0", "--device", "40F5849A", "--address", "4"});
    RawHost host = RawHost::tcp(sim.tcpPort("40F5849A"));
    const Bytes data = s_pattern(30, 5);

    Bytes first{94, 0x52};
    first.insert(first.end(), data.begin(), data.begin() + 26);
    Bytes next{94, 0x12};
    next.insert(next.end(), data.begin() + 26, data.end());
    EXPECT_EQ(host.request(kAddress, first), (RawPacket{kAddress, {94, 2}}));
    EXPECT_EQ(host.request(kAddress, next), (RawPacket{kAddress, {94, 2}}));
    EXPECT_EQ(host.request(kAddress, {94, 0x20, 0, 30}), (RawPacket{kAddress, {94, 0}}));
    auto stored = sim.factory("40F5849A", 2);
    EXPECT_EQ(stored.bytes, data);
    EXPECT_EQ(stored.digest, DeviceSim::digest(data));

    // Read back: a full packet says more follows.
    Bytes full{94, 2};
    full.insert(full.end(), data.begin(), data.begin() + 26);
    Bytes rest{94, 2};
    rest.insert(rest.end(), data.begin() + 26, data.end());
    EXPECT_EQ(host.request(kAddress, {94, 0x42}), (RawPacket{kAddress, full}));
    EXPECT_EQ(host.request(kAddress, {94, 2}), (RawPacket{kAddress, rest}));
    EXPECT_EQ(host.request(kAddress, {94, 0x20, 0, 30}), (RawPacket{kAddress, {94, 0}}));

    const std::vector<Exchange> refusals = {
        {"write with a wrong total", {94, 0x53, 1, 2, 3}, {94, 3}},
        {"its finish", {94, 0x20, 0, 4}, {94, 0x80, 14}},
        {"read without a first packet", {94, 3}, {94, 0x83, 11}},
        {"finish without a transfer", {94, 0x20, 0, 0}, {94, 0x80, 11}},
    };
    for (const Exchange& exchange : refusals) {
        SCOPED_TRACE(exchange.what);
        EXPECT_EQ(host.request(kAddress, exchange.request), (RawPacket{kAddress, exchange.reply}));
    }
    EXPECT_EQ(sim.factory("40F5849A", 3).length, 0u);

    sim.command("factory 40F5849A 1 data=CAFE");
    EXPECT_EQ(host.request(kAddress, {94, 0x41}), (RawPacket{kAddress, {94, 1, 0xCA, 0xFE}}));
}

}  // namespace
