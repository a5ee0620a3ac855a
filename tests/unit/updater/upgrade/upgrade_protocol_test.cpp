// The upgrade protocol and its two drivers against a simulated device on TCP: the exact requests
// the device receives, what lands in its memories, and how lies and silences are survived or
// end the transfer without a reboot.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "../recording_display.h"
#include "firmware/bird_file.h"
#include "lynkor/Module.h"
#include "support/bird_file_builder.h"
#include "support/device_sim.h"
#include "support/direct_links.h"
#include "upgrade/transfer_firmware.h"
#include "upgrade/transfer_loader_blocks.h"
#include "upgrade/updater_entity.h"

namespace {

using namespace std::chrono_literals;
using Norvane::Lynkor::Module;
using testing_support::BirdFileBuilder;
using testing_support::DeviceSim;
using Bytes = std::vector<uint8_t>;
using Log = std::vector<std::string>;
using Clock = std::chrono::steady_clock;

const std::string kSerial = "40F5849A";
constexpr uint32_t kSerialNumber = 0x40F5849A;
constexpr uint32_t kFlashAddress = 0x00010000;
constexpr uint32_t kRamAddress = 0x20000400;

Bytes s_image(size_t length, uint8_t seed) {
    Bytes bytes(length);
    for (size_t i = 0; i < length; ++i) {
        bytes[i] = static_cast<uint8_t>(seed + i * 7 + i / 251);
    }
    return bytes;
}

BirdFile s_bird(const BirdFileBuilder& builder) {
    BirdFile bird;
    const Bytes bytes = builder.fileBytes();
    EXPECT_TRUE(bird.loadFromBuffer("test.bird", bytes));
    return bird;
}

// The requests a block of `length` image bytes makes in packet mode at block size 64.
Log s_packetBlock(size_t length) {
    Log log;
    for (size_t offset = 0; offset < length; offset += 64) {
        const size_t chunk = std::min<size_t>(64, length - offset);
        for (size_t at = 0; at < chunk; at += 26) {
            log.push_back("data " + std::to_string(std::min<size_t>(26, chunk - at)));
        }
        log.push_back("sum");
        log.push_back("write " + std::to_string(chunk));
    }
    return log;
}

Log s_join(Log first, const Log& second) {
    first.insert(first.end(), second.begin(), second.end());
    return first;
}

const std::string kPrepareFlash = "prepare flags=0x00 address=0x00010000";

class UpgradeOnSimulator : public testing::Test {
protected:
    void SetUp() override {
        module.setConfig(testing_support::directConfig());
        ASSERT_EQ(module.connectFromSpec(
                      testing_support::simLinkSpec(sim, "tcp", kSerial, kSerialNumber)),
                  aErrNone);
    }

    Log log() { return sim.upgradeLog(kSerial); }
    long count(const std::string& name) { return sim.upgradeCounts(kSerial)[name]; }
    Bytes flash(uint32_t address) { return sim.image(kSerial, "flash")[address].bytes.bytes; }

    DeviceSim sim{{"--heartbeat-ms", "0", "--device", kSerial, "--address", "4", "--model", "17",
                   "--tcp", "--loader", "--block-size", "64", "--down-ms", "150"}};
    Module module{2, 0};
    RecordingDisplay display;
};

TEST_F(UpgradeOnSimulator, PacketModeSendsEachChunkThenItsSumAndWriteAndReboots) {
    sim.upgrade(kSerial, "reboot=ignore");
    const Bytes first = s_image(100, 1);
    const Bytes second = s_image(130, 2);
    const BirdFile bird = s_bird(BirdFileBuilder()
                                     .firmware(kFlashAddress, first)
                                     .firmware(0x00020000, second, 3)
                                     .loader(kRamAddress, s_image(10, 3)));

    EXPECT_EQ(_transfer_firmware(&display, &module, bird, true, false), aErrNone);

    const Log expected =
        s_join(s_join(s_join({kPrepareFlash}, s_packetBlock(100)),
                      s_join({"prepare flags=0x03 address=0x00020000"}, s_packetBlock(130))),
               {"reboot"});
    EXPECT_EQ(log(), expected);
    EXPECT_EQ(flash(kFlashAddress), first);
    EXPECT_EQ(flash(0x00020000), second);
    EXPECT_EQ(display.info,
              (std::vector<std::string>{"Transferring firmware block 1 of 2, 104 bytes",
                                        "Transferring firmware block 2 of 2, 134 bytes",
                                        "Transferred 2 blocks, 238 total bytes"}));
    EXPECT_TRUE(display.errors.empty());
}

// One lie or silence of the device, and whether the transfer survives it: the requests it then
// made, and whether the device was rebooted.
struct DeviceFault {
    const char* name;
    const char* rule;
    aErr result;
    Log requests;
};

class FirmwareFaults : public UpgradeOnSimulator,
                       public testing::WithParamInterface<DeviceFault> {};

const Log kOneChunk = s_packetBlock(30);
const Log kRefusedAlways = [] {
    // Each of the five attempts sends the first packet five times.
    Log log;
    for (int attempt = 0; attempt < 5; ++attempt) {
        log.push_back(kPrepareFlash);
        log.insert(log.end(), 5, "data 26");
    }
    return log;
}();
const Log kBadSumAlways = [] {
    Log log;
    for (int attempt = 0; attempt < 5; ++attempt) {
        log.push_back(kPrepareFlash);
        log.insert(log.end(), {"data 26", "data 4", "sum"});
    }
    return log;
}();

INSTANTIATE_TEST_SUITE_P(
    UpgradeOnSimulator, FirmwareFaults,
    testing::Values(
        // The device kept the 25 bytes it took, so the sum then tells the block to start over.
        DeviceFault{
            "ShortAcceptIsSentAgain", "cmd=95 opt=1 action=short times=1", aErrNone,
            s_join(s_join({kPrepareFlash, "data 26", "data 26", "data 4", "sum", kPrepareFlash},
                          kOneChunk),
                   {"reboot"})},
        DeviceFault{
            "WrongSumRetriesTheBlock", "cmd=95 opt=4 action=badsum times=1", aErrNone,
            s_join(s_join({kPrepareFlash, "data 26", "data 4", "sum", kPrepareFlash}, kOneChunk),
                   {"reboot"})},
        DeviceFault{"RefusedWriteRetriesTheBlock", "cmd=95 opt=5 action=error:15 times=1", aErrNone,
                    s_join(s_join(s_join({kPrepareFlash}, kOneChunk), {kPrepareFlash}),
                           s_join(kOneChunk, {"reboot"}))},
        DeviceFault{"ShortWriteReplyRetriesTheBlock", "cmd=95 opt=5 action=reply:5F07 times=1",
                    aErrNone,
                    s_join(s_join(s_join({kPrepareFlash}, kOneChunk), {kPrepareFlash}),
                           s_join(kOneChunk, {"reboot"}))},
        DeviceFault{
            "ShortSumReplyRetriesTheBlock", "cmd=95 opt=4 action=reply:5F070000 times=1", aErrNone,
            s_join(s_join({kPrepareFlash, "data 26", "data 4", "sum", kPrepareFlash}, kOneChunk),
                   {"reboot"})},
        DeviceFault{"PacketTakenInPartForEverFailsAfterFiveSends", "cmd=95 opt=1 action=short",
                    aErrPacket, kRefusedAlways},
        DeviceFault{"ShortDataReplyFails", "cmd=95 opt=1 action=reply:5F01", aErrPacket,
                    [] {
                        Log log;
                        for (int attempt = 0; attempt < 5; ++attempt) {
                            log.insert(log.end(), {kPrepareFlash, "data 26"});
                        }
                        return log;
                    }()},
        DeviceFault{"WrongSumForEverFails", "cmd=95 opt=4 action=badsum", aErrInvalidOption,
                    kBadSumAlways},
        DeviceFault{"PrepareStatusStopsAtOnce",
                    "cmd=95 opt=3 action=error:11",
                    aErrInvalidOption,
                    {kPrepareFlash}},
        DeviceFault{"BlockSizeZeroIsABadStatus",
                    "cmd=95 opt=3 action=reply:5F07000000",
                    aErrInvalidOption,
                    {kPrepareFlash}},
        DeviceFault{"ShortPrepareReplyStopsAtOnce",
                    "cmd=95 opt=3 action=reply:5F0700",
                    aErrPacket,
                    {kPrepareFlash}}),
    [](const testing::TestParamInfo<DeviceFault>& info) { return info.param.name; });

TEST_P(FirmwareFaults, SurvivesOrStopsWithoutReboot) {
    sim.upgrade(kSerial, "reboot=ignore");
    sim.fault(kSerial, GetParam().rule);
    const Bytes image = s_image(30, 9);
    const BirdFile bird = s_bird(BirdFileBuilder().firmware(kFlashAddress, image));

    EXPECT_EQ(_transfer_firmware(&display, &module, bird, true, false), GetParam().result);

    EXPECT_EQ(log(), GetParam().requests);
    if (GetParam().result == aErrNone) {
        EXPECT_EQ(flash(kFlashAddress), image);
    } else {
        EXPECT_EQ(display.info.back(), "Transferred 0 blocks, 0 total bytes");
    }
}

TEST_F(UpgradeOnSimulator, RetriesAreShownAndCountedPerBlock) {
    sim.upgrade(kSerial, "reboot=ignore");
    sim.fault(kSerial, "cmd=95 opt=4 action=badsum times=2");
    const BirdFile bird = s_bird(BirdFileBuilder().firmware(kFlashAddress, s_image(30, 4)));

    EXPECT_EQ(_transfer_firmware(&display, &module, bird, true, false), aErrNone);

    EXPECT_EQ(display.info,
              (std::vector<std::string>{"Transferring firmware block 1 of 1, 34 bytes",
                                        "Transferring firmware block 1 of 1, 34 bytes  Retry 1",
                                        "Transferring firmware block 1 of 1, 34 bytes  Retry 2",
                                        "Transferred 1 blocks, 34 total bytes"}));
}

TEST_F(UpgradeOnSimulator, AStatusThatCameLateIsNotTakenForThePreparesAnswer) {
    UpdaterEntity entity;
    entity.init(&module, 0, true, true);
    // A refusal left over from an earlier exchange waits in the queue.
    sim.command("packet " + kSerial + " 5F070B0000");
    std::this_thread::sleep_for(200ms);
    Bytes body{0x00, 0x01, 0x00, 0x00};
    body.resize(12, 0xA5);
    uint16_t blockSize = 0;

    EXPECT_EQ(entity.TransferPrepare(body, 0, blockSize), aErrNone);
    EXPECT_EQ(blockSize, 64);
}

TEST_F(UpgradeOnSimulator, ByteArrayModeSendsEachChunkAsOneWrite) {
    sim.upgrade(kSerial, "reboot=ignore pooled=on");
    const Bytes image = s_image(100, 5);
    const BirdFile bird = s_bird(BirdFileBuilder().firmware(kFlashAddress, image));

    EXPECT_EQ(_transfer_firmware(&display, &module, bird, true, true), aErrNone);

    EXPECT_EQ(log(), (Log{kPrepareFlash, "uei 64", "sum", "write 64", "uei 36", "sum", "write 36",
                          "reboot"}));
    EXPECT_EQ(flash(kFlashAddress), image);
}

TEST_F(UpgradeOnSimulator, ByteArrayModeFallsBackToPacketsOnADeviceWithoutIt) {
    sim.upgrade(kSerial, "reboot=ignore uei=off");
    const Bytes image = s_image(30, 6);
    const BirdFile bird = s_bird(BirdFileBuilder().firmware(kFlashAddress, image));

    EXPECT_EQ(_transfer_firmware(&display, &module, bird, true, true), aErrNone);

    EXPECT_EQ(log(), s_join(s_join({kPrepareFlash}, s_packetBlock(30)), {"reboot"}));
    EXPECT_EQ(flash(kFlashAddress), image);
}

TEST_F(UpgradeOnSimulator, ARefusedByteArrayRetriesTheBlock) {
    sim.upgrade(kSerial, "reboot=ignore");
    sim.fault(kSerial, "cmd=95 opt=138 action=error:5 times=1");
    const Bytes image = s_image(30, 7);
    const BirdFile bird = s_bird(BirdFileBuilder().firmware(kFlashAddress, image));

    EXPECT_EQ(_transfer_firmware(&display, &module, bird, true, true), aErrNone);

    const Log requests = log();
    ASSERT_EQ(requests.size(), 7u);
    EXPECT_EQ(requests[1].rfind("uei refused", 0), 0u);
    EXPECT_EQ(Log(requests.begin() + 2, requests.end()),
              (Log{kPrepareFlash, "uei 30", "sum", "write 30", "reboot"}));
    EXPECT_EQ(flash(kFlashAddress), image);
}

TEST_F(UpgradeOnSimulator, ADeviceThatDiesMidwayEndsTheTransferSoonWithoutReboot) {
    sim.upgrade(kSerial, "die-after=100");
    const BirdFile bird = s_bird(BirdFileBuilder().firmware(kFlashAddress, s_image(300, 8)));
    const auto start = Clock::now();

    EXPECT_NE(_transfer_firmware(&display, &module, bird, false, false), aErrNone);

    EXPECT_LT(Clock::now() - start, 5s);
    EXPECT_EQ(count("reboot"), 0);
    EXPECT_EQ(display.info.back(), "Transferred 0 blocks, 0 total bytes");
}

// A block too short to hold its load address is refused before the device hears anything.
struct ShortBlock {
    const char* name;
    uint8_t type;
};

class ShortBlocks : public UpgradeOnSimulator, public testing::WithParamInterface<ShortBlock> {};

INSTANTIATE_TEST_SUITE_P(UpgradeOnSimulator, ShortBlocks,
                         testing::Values(ShortBlock{"Firmware", BirdFileBuilder::kFirmware},
                                         ShortBlock{"Loader", BirdFileBuilder::kLoader}),
                         [](const testing::TestParamInfo<ShortBlock>& info) {
                             return info.param.name;
                         });

TEST_P(ShortBlocks, AreRefusedBeforeAnythingIsSent) {
    const BirdFile bird = s_bird(BirdFileBuilder()
                                     .firmware(kFlashAddress, s_image(30, 1))
                                     .loader(kRamAddress, s_image(30, 1))
                                     .block(GetParam().type, 0, {0x00, 0x01, 0x00}));

    const aErr result = GetParam().type == BirdFileBuilder::kFirmware
                            ? _transfer_firmware(&display, &module, bird, true, false)
                            : transferLoaderBlocks(&display, &module, bird);

    EXPECT_EQ(result, aErrSize);
    EXPECT_TRUE(log().empty());
    EXPECT_EQ(display.errors.size(), 1u);
}

TEST_F(UpgradeOnSimulator, AFileWithoutFirmwareBlocksOnlyReboots) {
    sim.upgrade(kSerial, "reboot=ignore");
    const BirdFile bird = s_bird(BirdFileBuilder().loader(kRamAddress, s_image(30, 1)));

    EXPECT_EQ(_transfer_firmware(&display, &module, bird, true, false), aErrNone);

    EXPECT_EQ(log(), Log{"reboot"});
    EXPECT_EQ(display.info, std::vector<std::string>{"Transferred 0 blocks, 0 total bytes"});
}

TEST_F(UpgradeOnSimulator, LoaderBlocksGoToRamAndTheLoaderStarts) {
    sim.upgrade(kSerial, "mode=app load=answer");
    const Bytes first = s_image(60, 1);
    const Bytes second = s_image(20, 2);
    const BirdFile bird = s_bird(BirdFileBuilder()
                                     .loader(kRamAddress, first)
                                     .firmware(kFlashAddress, s_image(30, 3))
                                     .loader(0x20001000, second, 1));

    EXPECT_EQ(transferLoaderBlocks(&display, &module, bird), aErrNone);

    EXPECT_EQ(log(),
              (Log{"init", "prepare flags=0x00 address=0x20000400", "data 26", "data 26", "data 8",
                   "sum", "prepare flags=0x01 address=0x20001000", "data 20", "sum", "load"}));
    EXPECT_EQ(sim.image(kSerial, "ram")[kRamAddress].bytes.bytes, first);
    EXPECT_EQ(sim.image(kSerial, "ram")[0x20001000].bytes.bytes, second);
    EXPECT_EQ(sim.upgrade(kSerial)["mode"], "loader");
    EXPECT_EQ(display.info,
              (std::vector<std::string>{
                  "Transferring loader to device", "Transferring loader block 1 of 2, 64 bytes",
                  "Transferring loader block 2 of 2, 24 bytes",
                  "Transferred 2 blocks, 88 total bytes", "Starting Load on Device"}));
}

TEST_F(UpgradeOnSimulator, AFailedLoaderBlockIsNotForgottenAndNoLoaderStarts) {
    sim.upgrade(kSerial, "mode=app load=answer");
    sim.fault(kSerial, "cmd=95 opt=4 action=badsum times=1");
    const BirdFile bird = s_bird(
        BirdFileBuilder().loader(kRamAddress, s_image(20, 1)).loader(0x20001000, s_image(20, 2)));

    EXPECT_EQ(transferLoaderBlocks(&display, &module, bird), aErrInvalidOption);

    EXPECT_EQ(count("prepare"), 2);
    EXPECT_EQ(count("load"), 0);
    EXPECT_EQ(sim.upgrade(kSerial)["mode"], "app");
}

// LOAD answered in place, or by a device that restarts into its loader: silently, or answering
// the LOAD once it is back. The module is connected to the loader in every case.
struct LoadBehaviour {
    const char* name;
    const char* load;
};

class LoaderStarts : public UpgradeOnSimulator,
                     public testing::WithParamInterface<LoadBehaviour> {};

INSTANTIATE_TEST_SUITE_P(UpgradeOnSimulator, LoaderStarts,
                         testing::Values(LoadBehaviour{"InPlace", "answer"},
                                         LoadBehaviour{"Silently", "restart"},
                                         LoadBehaviour{"AnsweringOnceBack", "announce"}),
                         [](const testing::TestParamInfo<LoadBehaviour>& info) {
                             return info.param.name;
                         });

TEST_P(LoaderStarts, AndTheModuleReachesTheLoader) {
    sim.upgrade(kSerial, std::string("mode=app load=") + GetParam().load);
    const BirdFile bird = s_bird(BirdFileBuilder().loader(kRamAddress, s_image(20, 1)));

    EXPECT_EQ(transferLoaderBlocks(&display, &module, bird), aErrNone);

    EXPECT_TRUE(module.isConnected());
    EXPECT_EQ(sim.upgrade(kSerial)["mode"], "loader");
    uint32_t build = 0;
    EXPECT_EQ(module.getBuild(&build), aErrNone);
}

TEST_F(UpgradeOnSimulator, TheRebootWaitEndsWhenTheLinkDrops) {
    sim.upgrade(kSerial, "reboot=restart");
    // Long enough away for the poll to see it gone before the link finds it back.
    sim.restart(kSerial, "down=1000 close=fin");
    UpdaterEntity entity;
    entity.init(&module, 0, true, false);
    const auto start = Clock::now();

    EXPECT_EQ(entity.LoaderReboot(&display), aErrNone);

    EXPECT_LT(Clock::now() - start, 3s);
    EXPECT_FALSE(module.isConnected());
}

TEST_F(UpgradeOnSimulator, TheRebootWaitHasABoundWhenTheLinkStaysUp) {
    sim.upgrade(kSerial, "reboot=ignore");
    UpdaterEntity entity;
    entity.init(&module, 0, true, false);

    EXPECT_EQ(entity.LoaderReboot(&display), aErrNone);

    EXPECT_EQ(display.busyCalls, static_cast<int>(kRebootWaitLimitMs / kRebootPollMs) + 1);
    EXPECT_TRUE(module.isConnected());
}

TEST_F(UpgradeOnSimulator, WithoutWaitTheRebootLooksAtTheLinkOnce) {
    sim.upgrade(kSerial, "reboot=ignore");
    UpdaterEntity entity;
    entity.init(&module, 0, true, true);

    EXPECT_EQ(entity.LoaderReboot(&display), aErrNone);

    EXPECT_EQ(display.busyCalls, 2);
}

}  // namespace
