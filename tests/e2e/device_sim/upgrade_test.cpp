// The simulator's upgrade protocol and restarts, checked byte for byte with a raw host, so that
// the updater's tests can rely on what a simulated device answers, writes and does.
#include <gtest/gtest.h>

#include <chrono>
#include <numeric>
#include <random>
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
using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

constexpr uint8_t kAddress = 4;
constexpr uint8_t kUpgrade = 95;
const std::string kSerial = "40F5849A";
constexpr auto kDown = milliseconds(250);
constexpr auto kComeBackWait = milliseconds(3000);

Bytes s_pattern(size_t length, uint8_t seed) {
    Bytes bytes(length);
    for (size_t i = 0; i < length; ++i) {
        bytes[i] = static_cast<uint8_t>(seed + i * 13);
    }
    return bytes;
}

Bytes s_big(uint32_t value, size_t count) {
    Bytes bytes;
    for (size_t i = count; i-- > 0;) {
        bytes.push_back(static_cast<uint8_t>(value >> (8 * i)));
    }
    return bytes;
}

Bytes s_join(Bytes first, const Bytes& second) {
    first.insert(first.end(), second.begin(), second.end());
    return first;
}

Bytes s_prepare(uint8_t flags, uint32_t address) {
    return s_join({kUpgrade, 3, flags}, s_big(address, 4));
}

Bytes s_sumReply(const Bytes& bytes, uint32_t offset = 0) {
    return s_join({kUpgrade, 7, 0}, s_big(std::accumulate(bytes.begin(), bytes.end(), offset), 4));
}

// Puts `image` at `address` as an updater does: PREPARE, then per chunk of the block size the
// device reports its data (DATA packets of up to 26 bytes, or one byte-array write whose packets
// go back to back), SUM and WRITE; checks every answer.
void s_sendBlock(RawHost& host, uint32_t address, uint8_t flags, const Bytes& image, bool uei) {
    auto prepared = host.request(kAddress, s_prepare(flags, address));
    ASSERT_TRUE(prepared && prepared->data.size() == 5 && prepared->data[2] == 0);
    const size_t blockSize = size_t{prepared->data[3]} << 8 | prepared->data[4];
    for (size_t offset = 0; offset < image.size(); offset += blockSize) {
        const Bytes chunk(image.begin() + offset,
                          image.begin() + std::min(offset + blockSize, image.size()));
        if (uei) {
            host.sendRun(kAddress, {kUpgrade, 0x8A, 0x20}, chunk);
            EXPECT_EQ(host.receive(), (RawPacket{kAddress, {kUpgrade, 0xCA, 0}}));
        }
        for (size_t at = 0; !uei && at < chunk.size(); at += 26) {
            const size_t count = std::min<size_t>(26, chunk.size() - at);
            Bytes data{kUpgrade, 1};
            data.insert(data.end(), chunk.begin() + at, chunk.begin() + at + count);
            EXPECT_EQ(host.request(kAddress, data),
                      (RawPacket{kAddress, {kUpgrade, 1, static_cast<uint8_t>(count)}}));
        }
        EXPECT_EQ(host.request(kAddress, {kUpgrade, 4}), (RawPacket{kAddress, s_sumReply(chunk)}));
        EXPECT_EQ(host.request(kAddress, s_join({kUpgrade, 5}, s_big(chunk.size(), 2))),
                  (RawPacket{kAddress, {kUpgrade, 7, 0}}));
    }
}

// The device as the upgrade tests start it: block size 64, restarts that take kDown.
std::vector<std::string> s_args(const std::string& bus, const std::string& transport) {
    return {"--heartbeat-ms",
            "0",
            "--usb-dir",
            bus,
            "--device",
            kSerial,
            "--address",
            "4",
            "--" + transport,
            "--block-size",
            "64",
            "--down-ms",
            std::to_string(kDown.count())};
}

struct Exchange {
    const char* what;
    Bytes request;
    Bytes reply;                     // empty: no answer
    const char* settings = nullptr;  // upgrade settings changed first
};

TEST(DeviceSimUpgrade, AnswersEachSubCommandWithItsExactBytes) {
    testing_support::TempDir bus;
    DeviceSim sim(s_args(bus.path(), "tcp"));
    RawHost host = RawHost::tcp(sim.tcpPort(kSerial));
    const Bytes full = s_pattern(26, 1);
    Bytes block = s_join(s_join(full, full), Bytes(full.begin(), full.begin() + 12));
    const std::vector<Exchange> exchanges = {
        {"init: the load base", {95, 0}, {95, 0, 0x20, 0, 0, 0}},
        {"init: another base", {95, 0}, {95, 0, 0x12, 0x34, 0x56, 0x78}, "base=0x12345678"},
        {"sum before prepare", {95, 4}, {95, 7, 11, 0, 0, 0, 0}},
        {"data before prepare", {95, 1, 9}, {95, 1, 0}},
        {"write before prepare", {95, 5, 0, 1}, {95, 7, 11}},
        {"prepare: block size", s_prepare(0x20, 0x10000), {95, 7, 0, 0, 64}},
        {"data into RAM", {95, 1, 1, 2, 3}, {95, 1, 3}},
        {"sum", {95, 4}, {95, 7, 0, 0, 0, 0, 6}},
        {"write while the application runs", {95, 5, 0, 3}, {95, 7, 7}},
        {"load, answered in place", {95, 2}, {95, 2}, "load=answer"},
        {"prepare for flash", s_prepare(0x20, 0x10000), {95, 7, 0, 0, 64}},
        {"write of an empty chunk", {95, 5, 0, 1}, {95, 7, 14}},
        {"data", s_join({95, 1}, full), {95, 1, 26}},
        {"data", s_join({95, 1}, full), {95, 1, 26}},
        {"data beyond the block: 12 taken", s_join({95, 1}, full), {95, 1, 12}},
        {"sum of the block", {95, 4}, s_sumReply(block)},
        {"write beyond the chunk", {95, 5, 0, 65}, {95, 7, 14}},
        {"write", {95, 5, 0, 64}, {95, 7, 0}},
        {"sum of an empty chunk", {95, 4}, {95, 7, 0, 0, 0, 0, 0}},
        {"byte-array write", {95, 0x8A, 0x20, 7, 8, 0}, {95, 0xCA, 0}},
        {"get of the write-only data option", {95, 0x4A, 0x20}, {95, 10, 0x80, 12}},
        {"unknown option", {95, 0x8B, 0x20, 1, 0}, {95, 0xCB, 0x80, 29}},
        {"unknown index", {95, 0x8A, 0x21, 1, 0}, {95, 0xCA, 0x81, 26}},
        {"data option without a trailer", {95, 0x8A, 0x20}, {95, 0xCA, 0x80, 24}},
        {"hasUEI: the data option", {73, 1, 95, 10, 0, 0x80}, {73, 1, 95, 10, 0, 0}},
        {"hasUEI: none without it", {73, 1, 95, 10, 0, 0x80}, {73, 1, 95, 10, 0, 28}, "uei=off"},
        {"no byte-array write either", {95, 0x8A, 0x20, 7, 0}, {95, 0xCA, 0x80, 28}},
        {"protocol features: none", {3, 0x6D, 0x20}, {3, 45, 0, 0, 0, 0, 0}},
        {"protocol features: pooled", {3, 0x6D, 0x20}, {3, 45, 0, 0x80, 0, 0, 0}, "pooled=on"},
        {"reboot, ignored", {95, 6}, {}, "reboot=ignore"},
        {"init after all", {95, 0}, {95, 0, 0x12, 0x34, 0x56, 0x78}},
    };
    for (const Exchange& exchange : exchanges) {
        SCOPED_TRACE(exchange.what);
        if (exchange.settings != nullptr) {
            sim.upgrade(kSerial, exchange.settings);
        }
        if (exchange.reply.empty()) {
            host.send(kAddress, exchange.request);
            EXPECT_TRUE(host.quiet());
        } else {
            EXPECT_EQ(host.request(kAddress, exchange.request),
                      (RawPacket{kAddress, exchange.reply}));
        }
    }
    EXPECT_EQ(sim.upgrade(kSerial)["mode"], "loader");

    // Requests of no known shape get no answer.
    for (const Bytes& malformed : std::vector<Bytes>{{95},
                                                     {95, 0, 1},
                                                     {95, 2, 0},
                                                     {95, 3, 0, 1},
                                                     {95, 5, 1},
                                                     {95, 6, 6},
                                                     {95, 7, 0},
                                                     {95, 9},
                                                     {95, 0x8A},
                                                     {95, 0x8A, 0x00, 1, 0}}) {
        host.send(kAddress, malformed);
    }
    EXPECT_TRUE(host.quiet());

    EXPECT_EQ(sim.image(kSerial, "ram").at(0x10000).bytes.bytes, (Bytes{1, 2, 3}));
    const auto flash = sim.image(kSerial, "flash");
    ASSERT_EQ(flash.size(), 1u);
    EXPECT_EQ(flash.at(0x10000).flags, 0x20);
    EXPECT_EQ(flash.at(0x10000).bytes.length, 64u);
    const auto counts = sim.upgradeCounts(kSerial);
    const std::map<std::string, long> expected = {
        {"init", 3},  {"data", 5},   {"load", 1}, {"prepare", 2},    {"sum", 4},
        {"write", 5}, {"reboot", 1}, {"uei", 1},  {"malformed", 10}, {"taken", 69}};
    EXPECT_EQ(counts, expected);
    const auto log = sim.upgradeLog(kSerial);
    ASSERT_EQ(log.size(), 37u);
    EXPECT_EQ(log[5], "prepare flags=0x20 address=0x00010000");
    EXPECT_EQ(log[6], "data 3");
    EXPECT_EQ(log[17], "write 64");
    EXPECT_EQ(log[19], "uei 2");
    EXPECT_EQ(log[20], "uei refused 12");
    EXPECT_EQ(log.back(), "malformed 5F8A000100");
}

class DeviceSimTransfer : public testing::TestWithParam<std::string> {};

// A 100-byte block at block size 64 goes as DATA 26, 26, 12, SUM, WRITE 64, then DATA 26, 10,
// SUM, WRITE 36; as byte-array writes it is one of 64 bytes and one of 36.
TEST_P(DeviceSimTransfer, PutsAHundredByteBlockIntoFlashInPacketsAndInByteArrayWrites) {
    testing_support::TempDir bus;
    DeviceSim sim(s_args(bus.path(), GetParam()));
    sim.upgrade(kSerial, "mode=loader");
    RawHost host = GetParam() == "tcp" ? RawHost::tcp(sim.tcpPort(kSerial))
                                       : RawHost::usb(sim.endpoint("usb", kSerial));
    const Bytes image = s_pattern(100, 7);
    s_sendBlock(host, 0x08000000, 0x01, image, false);
    EXPECT_EQ(sim.upgradeLog(kSerial),
              (std::vector<std::string>{"prepare flags=0x01 address=0x08000000", "data 26",
                                        "data 26", "data 12", "sum", "write 64", "data 26",
                                        "data 10", "sum", "write 36"}));
    sim.command("clear " + kSerial);
    s_sendBlock(host, 0x08010000, 0x02, image, true);
    EXPECT_EQ(sim.upgradeLog(kSerial),
              (std::vector<std::string>{"prepare flags=0x02 address=0x08010000", "uei 64", "sum",
                                        "write 64", "uei 36", "sum", "write 36"}));

    // A chunk of 4096 bytes (171 packets, more than one pooled write holds) in one run.
    sim.upgrade(kSerial, "block=4096");
    const Bytes large = s_pattern(5000, 3);
    s_sendBlock(host, 0x08020000, 0x00, large, true);

    const auto flash = sim.image(kSerial, "flash");
    ASSERT_EQ(flash.size(), 3u);
    EXPECT_EQ(flash.at(0x08000000).bytes.bytes, image);
    EXPECT_EQ(flash.at(0x08000000).flags, 0x01);
    EXPECT_EQ(flash.at(0x08010000).bytes.bytes, image);
    EXPECT_EQ(flash.at(0x08010000).flags, 0x02);
    EXPECT_EQ(flash.at(0x08020000).bytes.digest, DeviceSim::digest(large));
    EXPECT_EQ(sim.upgradeCounts(kSerial)["taken"], 5100);

    // A prepare again erases what the block had. Unlike requests back to back in one write,
    // as pooled packets travel, are answered in order.
    Bytes batch;
    for (const Bytes& request : {s_prepare(0x01, 0x08000000), Bytes{95, 1, 1, 2}, Bytes{95, 4}}) {
        batch.push_back(kAddress);
        batch.push_back(static_cast<uint8_t>(request.size()));
        batch.insert(batch.end(), request.begin(), request.end());
    }
    host.sendRaw(batch);
    EXPECT_EQ(host.receive(3), (std::vector<RawPacket>{{kAddress, {95, 7, 0, 0x10, 0}},
                                                       {kAddress, {95, 1, 2}},
                                                       {kAddress, {95, 7, 0, 0, 0, 0, 3}}}));
    EXPECT_EQ(sim.image(kSerial, "flash").at(0x08000000).bytes.length, 0u);
    sim.command("image " + kSerial + " erase");
    EXPECT_TRUE(sim.image(kSerial, "flash").empty());
}

INSTANTIATE_TEST_SUITE_P(Transports, DeviceSimTransfer, testing::Values("tcp", "usb"));

struct FaultCase {
    const char* rule;
    std::vector<Bytes> requests;
    Bytes faulty;  // empty: no answer
    Bytes normal;
    milliseconds late{0};
};

// Each fault fires once: the request it catches gets the faulty answer, the same request again
// the normal one. Every case starts from a PREPARE and 10 bytes of data.
TEST(DeviceSimUpgradeFaults, EachFaultFiresOnce) {
    testing_support::TempDir bus;
    DeviceSim sim(s_args(bus.path(), "tcp"));
    sim.upgrade(kSerial, "mode=loader");
    RawHost host = RawHost::tcp(sim.tcpPort(kSerial));
    const Bytes ten = s_pattern(10, 5);
    const Bytes sum = s_sumReply(ten);
    const Bytes wrongSum = s_sumReply(ten, 1);
    const Bytes data = s_join({95, 1}, s_pattern(26, 9));
    const std::vector<FaultCase> cases = {
        {"opt=4 action=drop", {{95, 4}}, {}, sum},
        {"opt=3 action=delay:400",
         {s_prepare(0, 0x100)},
         {95, 7, 0, 0, 64},
         {95, 7, 0, 0, 64},
         milliseconds(400)},
        {"opt=3 action=error:5", {s_prepare(0, 0x100)}, {95, 7, 5, 0, 0}, {95, 7, 0, 0, 64}},
        {"opt=4 action=error:9", {{95, 4}}, {95, 7, 9, 0, 0, 0, 0}, sum},
        {"opt=5 action=error:9", {{95, 5, 0, 10}}, {95, 7, 9}, {95, 7, 0}},
        {"opt=1 action=error:9", {data}, {95, 1, 0}, {95, 1, 26}},
        {"opt=3 action=reply:5F07000000",
         {s_prepare(0, 0x100)},
         {95, 7, 0, 0, 0},
         {95, 7, 0, 0, 64}},
        {"opt=0 action=reply:5F0000", {{95, 0}}, {95, 0, 0}, {95, 0, 0x20, 0, 0, 0}},
        {"opt=1 action=short", {data}, {95, 1, 25}, {95, 1, 26}},
        {"opt=4 action=badsum", {{95, 4}}, wrongSum, sum},
        {"opt=138 action=drop",
         {{95, 0x8A, 0x20, 1, 0x80}, {95, 0x8A, 0x20, 2, 0x01}},
         {95, 0xCA, 0x80, 24},
         {95, 0xCA, 0}},
        {"opt=138 action=error:30", {{95, 0x8A, 0x20, 1, 0}}, {95, 0xCA, 0x80, 30}, {95, 0xCA, 0}},
    };
    for (const FaultCase& fault : cases) {
        SCOPED_TRACE(fault.rule);
        EXPECT_EQ(host.request(kAddress, s_prepare(0, 0x100)),
                  (RawPacket{kAddress, {95, 7, 0, 0, 64}}));
        EXPECT_EQ(host.request(kAddress, s_join({95, 1}, ten)), (RawPacket{kAddress, {95, 1, 10}}));
        sim.fault(kSerial, "cmd=95 " + std::string(fault.rule) + " times=1");
        for (const Bytes& request : fault.requests) {
            host.send(kAddress, request);
        }
        if (fault.late.count() > 0) {
            EXPECT_TRUE(host.quiet(fault.late / 2));
        }
        if (fault.faulty.empty()) {
            EXPECT_TRUE(host.quiet());
        } else {
            EXPECT_EQ(host.receive(), (RawPacket{kAddress, fault.faulty}));
        }
        for (const Bytes& request : fault.requests) {
            host.send(kAddress, request);
        }
        EXPECT_EQ(host.receive(), (RawPacket{kAddress, fault.normal}));
        EXPECT_TRUE(host.quiet(milliseconds(20)));
        EXPECT_NE(sim.command("faults " + kSerial).back().find("fired=1 left=0"),
                  std::string::npos);
        sim.command("clear-faults " + kSerial);
    }
    EXPECT_EQ(sim.stats(kSerial)["faults_fired"], static_cast<long>(cases.size()));
    EXPECT_EQ(sim.control("fault " + kSerial + " cmd=3 action=short").back(),
              "error short is for the upgrade command (cmd=95) only");

    // Dying after 30 bytes: the second 26-byte packet goes unanswered and the device leaves
    // for good, until it is restarted.
    sim.upgrade(kSerial, "die-after=30");
    EXPECT_EQ(host.request(kAddress, data), (RawPacket{kAddress, {95, 1, 26}}));
    host.send(kAddress, data);
    EXPECT_EQ(host.ending(), RawHost::Ending::Closed);
    EXPECT_THROW(RawHost::tcp(sim.tcpPort(kSerial), kDown + milliseconds(200)), std::runtime_error);
    EXPECT_EQ(sim.restart(kSerial)["state"], "down");
    EXPECT_EQ(sim.upgrade(kSerial)["die-after"], "off");
    EXPECT_EQ(sim.upgradeLog(kSerial).back(), "died");
    sim.restart(kSerial, "now");
    RawHost again = RawHost::tcp(sim.tcpPort(kSerial), kComeBackWait);
    EXPECT_EQ(again.request(kAddress, {95, 0}), (RawPacket{kAddress, {95, 0, 0x20, 0, 0, 0}}));
    EXPECT_EQ(sim.upgrade(kSerial)["mode"], "app");
}

struct LoadCase {
    const char* load;
    const char* close;        // how the TCP connection ends
    const char* serialAfter;  // null: it does not come back
};

class DeviceSimRestart : public testing::TestWithParam<std::string> {
protected:
    // Connects to the device showing `serial`, waiting up to `wait` for it to be there.
    RawHost connect(DeviceSim& sim, const std::string& serial, milliseconds wait) {
        if (GetParam() == "tcp") {
            return RawHost::tcp(sim.tcpPort(kSerial), wait);
        }
        return RawHost::usb(bus_.path() + "/" + serial + ".usb", wait);
    }

    // Leaving the bus looks the same however TCP connections are closed.
    RawHost::Ending ending(const std::string& close) {
        return GetParam() == "tcp" && close == "rst" ? RawHost::Ending::Reset
                                                     : RawHost::Ending::Closed;
    }

    testing_support::TempDir bus_;
};

// After LOAD the device leaves (the TCP connection closed as set, USB off the bus), stays away
// for the down-time, and comes back running its loader under the serial number asked for;
// REBOOT brings it back running the new build.
TEST_P(DeviceSimRestart, LoadVariantsLeaveAndComeBackAsAskedAndRebootBringsTheNewBuildAndVersion) {
    DeviceSim sim(s_args(bus_.path(), GetParam()));
    const std::vector<LoadCase> cases = {
        {"restart", "fin", "40F5849A"},
        {"announce", "rst", "40F5849A"},
        {"placeholder", "fin", "DEADDEAD"},
        {"vanish", "rst", nullptr},
    };
    {
        sim.upgrade(kSerial, "load=answer");
        RawHost host = connect(sim, kSerial, milliseconds(0));
        EXPECT_EQ(host.request(kAddress, {95, 2}), (RawPacket{kAddress, {95, 2}}));
        EXPECT_EQ(sim.upgrade(kSerial)["mode"], "loader");
        EXPECT_EQ(host.ending(milliseconds(100)), RawHost::Ending::Open);
    }
    for (const LoadCase& load : cases) {
        SCOPED_TRACE(load.load);
        sim.upgrade(kSerial, std::string("mode=app load=") + load.load);
        sim.restart(kSerial, std::string("close=") + load.close);
        RawHost host = connect(sim, kSerial, kComeBackWait);
        const auto sent = Clock::now();
        host.send(kAddress, {95, 2});
        EXPECT_EQ(host.ending(), ending(load.close));
        if (Clock::now() - sent < kDown - milliseconds(100)) {
            EXPECT_THROW(connect(sim, kSerial, milliseconds(0)), std::runtime_error);
        }
        if (load.serialAfter == nullptr) {
            EXPECT_THROW(connect(sim, kSerial, kDown + milliseconds(250)), std::runtime_error);
            sim.restart(kSerial, "now");
            RawHost back = connect(sim, kSerial, kComeBackWait);
            EXPECT_EQ(back.request(kAddress, {3, 0x49, 0x20}),
                      (RawPacket{kAddress, {3, 9, 0, 0x40, 0xF5, 0x84, 0x9A}}));
            EXPECT_EQ(sim.upgrade(kSerial)["mode"], "app");
            continue;
        }
        RawHost back = connect(sim, load.serialAfter, kComeBackWait);
        EXPECT_GE(Clock::now() - sent, kDown);
        EXPECT_EQ(sim.upgrade(kSerial)["mode"], "loader");
        EXPECT_EQ(sim.restart(kSerial)["serial"], load.serialAfter);
        const Bytes serial = load.serialAfter == std::string("DEADDEAD")
                                 ? Bytes{3, 9, 0, 0xDE, 0xAD, 0xDE, 0xAD}
                                 : Bytes{3, 9, 0, 0x40, 0xF5, 0x84, 0x9A};
        EXPECT_EQ(back.request(kAddress, {3, 0x49, 0x20}), (RawPacket{kAddress, serial}));
        if (load.load == std::string("announce")) {
            EXPECT_EQ(back.request(0xAD, {}), (RawPacket{kAddress, {}}));
            EXPECT_TRUE(back.quiet(milliseconds(150)));
            EXPECT_EQ(back.receive(), (RawPacket{kAddress, {95, 2}}));
        }
        sim.restart(kSerial, "now");
        EXPECT_EQ(back.ending(), ending(load.close));
    }

    // REBOOT, ignored, leaves the device where it is; then it restarts into the new build and
    // version. The loads before kept the version the device started with.
    RawHost host = connect(sim, kSerial, kComeBackWait);
    EXPECT_EQ(host.request(kAddress, {3, 0x47, 0x20}),
              (RawPacket{kAddress, {3, 7, 0, 0x2F, 2, 10, 4}}));
    EXPECT_EQ(sim.upgrade(kSerial, "mode=loader reboot=ignore")["version-after"], "keep");
    host.send(kAddress, {95, 6});
    EXPECT_TRUE(host.quiet());
    for (const char* bad : {"2.12", "2.256.0", "2.12.0.1", "x", "-1"}) {
        EXPECT_EQ(sim.control("upgrade " + kSerial + " version-after=" + bad).back(),
                  std::string("error bad version ") + bad);
    }
    EXPECT_EQ(sim.upgrade(kSerial, "version-after=0x2F020C00")["version-after"], "2.12.0");
    EXPECT_EQ(sim.upgrade(kSerial,
                          "reboot=restart build-after=2001 version-after=2.12.1")["version-after"],
              "2.12.1");
    const auto sent = Clock::now();
    host.send(kAddress, {95, 6});
    EXPECT_NE(host.ending(), RawHost::Ending::Open);
    RawHost rebooted = connect(sim, kSerial, kComeBackWait);
    EXPECT_GE(Clock::now() - sent, kDown);
    EXPECT_EQ(rebooted.request(kAddress, {73, 0xFF}),
              (RawPacket{kAddress, {73, 0xFF, 0, 0, 0x07, 0xD1}}));
    EXPECT_EQ(rebooted.request(kAddress, {3, 0x6B, 0x20}),
              (RawPacket{kAddress, {3, 43, 0, 0, 0, 0x07, 0xD1}}));
    EXPECT_EQ(rebooted.request(kAddress, {3, 0x47, 0x20}),
              (RawPacket{kAddress, {3, 7, 0, 0x2F, 2, 12, 1}}));
    EXPECT_EQ(sim.upgrade(kSerial)["mode"], "app");
    // Three LOADs and a REBOOT, four restarts from the control socket.
    EXPECT_EQ(sim.restart(kSerial)["restarts"], "8");
}

INSTANTIATE_TEST_SUITE_P(Transports, DeviceSimRestart, testing::Values("tcp", "usb"));

// Behind a router a restarting device only falls silent; the router and its connection stay.
TEST(DeviceSimRouterUpgrade, ADeviceBehindARouterFallsSilentWhileItRestarts) {
    DeviceSim sim({"--heartbeat-ms", "0", "--device", "0000A000", "--address", "2", "--device",
                   "0000A006", "--address", "6", "--behind", "A000", "--down-ms", "600"});
    RawHost host = RawHost::tcp(sim.tcpPort("0000A000"));
    const auto comeBack = [&host](const Bytes& serial) {
        const auto deadline = Clock::now() + kComeBackWait;
        std::optional<RawPacket> answer;
        while (!answer && Clock::now() < deadline) {
            answer = host.request(6, {3, 0x49, 0x20}, milliseconds(100));
        }
        EXPECT_EQ(answer, (RawPacket{6, s_join({3, 9, 0}, serial)}));
    };
    sim.upgrade("0000A006", "load=placeholder");
    host.send(6, {95, 2});
    EXPECT_EQ(host.request(6, {3, 0x49, 0x20}, milliseconds(150)), std::nullopt);
    EXPECT_EQ(host.request(2, {3, 0x49, 0x20}), (RawPacket{2, {3, 9, 0, 0, 0, 0xA0, 0}}));
    EXPECT_EQ(sim.restart("0000A006")["state"], "down");
    comeBack({0xDE, 0xAD, 0xDE, 0xAD});
    EXPECT_EQ(sim.upgrade("0000A006")["mode"], "loader");
    host.send(6, {95, 6});
    EXPECT_EQ(host.request(6, {3, 0x49, 0x20}, milliseconds(150)), std::nullopt);
    comeBack({0, 0, 0xA0, 0x06});
    EXPECT_EQ(sim.upgrade("0000A006")["mode"], "app");
    EXPECT_EQ(host.ending(milliseconds(50)), RawHost::Ending::Open);
}

// A loader that a boot ROM started shows the placeholder serial number on the bus, answers the
// identifier words, takes firmware, and reboots into the device it belongs to.
TEST(DeviceSimLiveLoader, StartsOnItsOwnTakesFirmwareAndRebootsIntoItsDevice) {
    testing_support::TempDir bus;
    DeviceSim sim({"--heartbeat-ms", "0", "--usb-dir", bus.path(), "--device", "DEADDEAD",
                   "--address", "4", "--usb", "--loader", "--identifier",
                   "11111111,22222222,33333333,44444444", "--down-ms", "100"});
    EXPECT_EQ(sim.endpoint("usb", "DEADDEAD"), bus.path() + "/DEADDEAD.usb");
    RawHost host = RawHost::usb(sim.endpoint("usb", "DEADDEAD"));
    for (uint8_t subindex = 0; subindex < 4; ++subindex) {
        const uint8_t word = static_cast<uint8_t>(0x44 - 0x11 * subindex);
        EXPECT_EQ(host.request(kAddress, {3, 0x67, 0x20, subindex}),
                  (RawPacket{kAddress, {3, 39, 0, word, word, word, word}}));
    }
    const Bytes firmware = s_pattern(3000, 11);
    s_sendBlock(host, 0x60000000, 0, firmware, true);
    EXPECT_EQ(sim.image("DEADDEAD", "flash").at(0x60000000).bytes.bytes, firmware);

    sim.upgrade("DEADDEAD", "serial-after=40F5849A");
    host.send(kAddress, {95, 6});
    EXPECT_EQ(host.ending(), RawHost::Ending::Closed);
    RawHost device = RawHost::usb(bus.path() + "/40F5849A.usb", kComeBackWait);
    EXPECT_EQ(device.request(kAddress, {3, 0x49, 0x20}),
              (RawPacket{kAddress, {3, 9, 0, 0x40, 0xF5, 0x84, 0x9A}}));
    EXPECT_EQ(sim.upgrade("DEADDEAD")["mode"], "app");
}

// Garbage on the upgrade command, in either mode and in runs, never stops the device.
TEST(DeviceSimUpgradeGarbage, RandomRequestsNeverStopTheDevice) {
    testing_support::TempDir bus;
    DeviceSim sim(s_args(bus.path(), "tcp"));
    RawHost host = RawHost::tcp(sim.tcpPort(kSerial));
    std::mt19937 random(95);
    for (const char* mode : {"mode=app", "mode=loader"}) {
        sim.upgrade(kSerial, std::string(mode) + " load=answer reboot=ignore");
        for (int i = 0; i < 1500; ++i) {
            Bytes request(1 + random() % 28);
            for (uint8_t& byte : request) {
                byte = static_cast<uint8_t>(random());
            }
            request[0] = kUpgrade;
            if (i % 3 == 0) {
                request[1] = static_cast<uint8_t>(i % 11);
            }
            host.send(kAddress, request);
        }
        while (host.receive(milliseconds(200))) {
        }
        EXPECT_EQ(host.request(kAddress, {95, 0}), (RawPacket{kAddress, {95, 0, 0x20, 0, 0, 0}}));
    }
    EXPECT_EQ(sim.process().stop(), 0);
}

}  // namespace
