// transferLoader with the real loaders against the simulated boot ROM, over the emulated HID bus
// and over a pseudo-terminal.
#include "recovery/transfer_loader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "lynkor/aEmulation.h"
#include "lynkor/aStream.h"
#include "recovery/sdp_driver.h"
#include "support/bird_file_builder.h"
#include "support/process.h"
#include "support/sdp_rom_sim.h"
#include "support/temp_dir.h"
#include "unit/updater/log_capture.h"

namespace {

using testing_support::BirdFileBuilder;
using testing_support::SdpRomSim;
using Clock = std::chrono::steady_clock;
using Strings = std::vector<std::string>;
using namespace std::chrono_literals;

// Everything that may go wrong, from the first try to the last wait, stays well inside this.
constexpr auto kFailureBound = 4s;

BirdFile s_bird(const BirdFileBuilder& builder) {
    BirdFile bird;
    EXPECT_TRUE(bird.loadFromBuffer("loader.bird", builder.fileBytes()));
    return bird;
}

// The events of a history that name the given commands.
Strings s_only(const Strings& events, std::initializer_list<const char*> names) {
    Strings kept;
    for (const std::string& event : events) {
        for (const char* name : names) {
            if (event.rfind(name, 0) == 0) {
                kept.push_back(event);
            }
        }
    }
    return kept;
}

enum class Link { Hid, Serial };

class TransferLoader : public ::testing::TestWithParam<Link> {
protected:
    void SetUp() override {
        aEmulation_Select(bus_.path().c_str());
        start({});
    }
    void TearDown() override { aEmulation_Select(nullptr); }

    void start(const Strings& extra) {
        rom_.reset();
        Strings args =
            GetParam() == Link::Hid ? Strings{"--hid", "--usb-dir", bus_.path()} : Strings{"--pty"};
        args.insert(args.end(), extra.begin(), extra.end());
        rom_ = std::make_unique<SdpRomSim>(args);
    }
    std::string port() const { return GetParam() == Link::Hid ? "USB" : rom_->ptyPath(); }
    bool hid() const { return GetParam() == Link::Hid; }

    testing_support::TempDir bus_;
    std::unique_ptr<SdpRomSim> rom_;
};

TEST_P(TransferLoader, WritesEveryLoaderBlockInReportsOfAtMost1024BytesAndJumps) {
    const std::vector<uint8_t> first = BirdFileBuilder::noiseImage(1025, 7);
    const std::vector<uint8_t> second = BirdFileBuilder::noiseImage(2048, 8);
    BirdFileBuilder builder;
    builder.information("x", "1.0", "DEADDEAD", "LIVELOADER")
        .loader(0x20000000, first)
        .firmware(0x60000000, BirdFileBuilder::noiseImage(64, 9))
        .loader(0x20002000, {})
        .loader(0x20003000, second)
        .startAddress(0x20000404);
    const BirdFile bird = s_bird(builder);

    LogCapture log(DEBUG_iMXSerial | DEBUG_Updater);
    EXPECT_EQ(transferLoader(port(), bird), aErrNone);

    Strings expected{"error_status", "write_file 20000000 1025", "write_complete 20000000 1025",
                     "error_status", "write_file 20002000 0",    "write_complete 20002000 0",
                     "error_status", "write_file 20003000 2048", "write_complete 20003000 2048",
                     "jump 20000404"};
    if (hid()) {
        // Data reports, on HID only, where they keep their boundaries.
        expected.insert(expected.begin() + 2, {"data 1024", "data 1"});
        expected.insert(expected.begin() + 10, {"data 1024", "data 1024"});
    }
    EXPECT_EQ(rom_->history(), expected);
    EXPECT_EQ(rom_->memory(0x20000000, first.size()), first);
    EXPECT_EQ(rom_->memory(0x20003000, second.size()), second);
    EXPECT_EQ(rom_->waitForJump(2s), "20000404");

    const std::string text = log.text();
    EXPECT_NE(text.find("Transfer Loader via Serial Interface (iMX):\n"), std::string::npos);
    EXPECT_NE(text.find("Writting Block: 1, size 0, address: 536879104\b"), std::string::npos);
    EXPECT_NE(text.find("Written Bytes: 2048\n"), std::string::npos);
    // The command report goes whole on HID, without its report ID on the serial line.
    EXPECT_NE(text.find(std::string(hid() ? "Write Res: 17" : "Write Res: 16") +
                        "\n01 04 04 20 00 00 00 20 00 00 04 01"),
              std::string::npos)
        << text;
    size_t successes = 0;
    for (size_t at = text.find("Loader Transfer Successful\n"); at != std::string::npos;
         at = text.find("Loader Transfer Successful\n", at + 1)) {
        ++successes;
    }
    EXPECT_EQ(successes, 3u);
}

TEST_P(TransferLoader, JumpsToTheDefaultAddressWithoutAUsableStartBlock) {
    struct Case {
        const char* name;
        BirdFileBuilder builder;
        const char* jump;
    };
    std::vector<Case> cases;
    cases.push_back({"no start block", BirdFileBuilder(), "20000400"});
    cases.push_back({"start block of 3 bytes",
                     BirdFileBuilder().block(BirdFileBuilder::kStartAddress, 0, {0x30, 0, 0}),
                     "20000400"});
    cases.push_back({"first of two start blocks",
                     BirdFileBuilder().startAddress(0x30000000).startAddress(0x40000000),
                     "30000000"});
    for (Case& c : cases) {
        c.builder.loader(0x20000000, {1, 2, 3});
        ASSERT_EQ(rom_->control("reset").back(), "ok");
        EXPECT_EQ(transferLoader(port(), s_bird(c.builder)), aErrNone) << c.name;
        const Strings jumps = s_only(rom_->history(), {"jump"});
        ASSERT_FALSE(jumps.empty()) << c.name;
        EXPECT_EQ(jumps.back(), std::string("jump ") + c.jump) << c.name;
        if (hid()) {
            // The ROM left the bus at the jump; a reset brings it back for the next case.
            rom_->waitForJump(2s);
        }
    }
}

TEST_P(TransferLoader, ARomThatRefusesOrFailsEndsTheLoadWithItsCodeInBoundedTime) {
    struct Case {
        const char* name;
        const char* behaviour;
        // The refusal of a write is seen before the next data report when it has arrived by
        // then, else in the final status: either ends the load.
        std::vector<LoadFileResult> codes;
        Strings diagnostics;
        size_t errorStatusTries;
        bool imageStored;
    };
    const Case cases[] = {
        {"silent ROM",
         "silent on",
         {LoadFileResult::kNoAcknowledge},
         {"Error: No ack from iMX device\n"},
         5,
         false},
        {"answers of the wrong size",
         "short on",
         {LoadFileResult::kNoAcknowledge},
         {"Error: No ack from iMX device\n"},
         5,
         false},
        {"write refused",
         "reject on",
         {LoadFileResult::kAborted, LoadFileResult::kUnsuccessful},
         {"Error while transfering loader. Aborting\n", "Loader Transfer Unsuccessful\n"},
         1,
         false},
        {"write not completed",
         "status 12345678",
         {LoadFileResult::kUnsuccessful},
         {"Loader Transfer Unsuccessful\n"},
         1,
         true},
    };
    const std::vector<uint8_t> image = BirdFileBuilder::noiseImage(3000, 3);
    for (const Case& c : cases) {
        start({});
        ASSERT_EQ(rom_->control(c.behaviour).back(), "ok") << c.name;

        LogCapture log(DEBUG_iMXSerial);
        const auto begin = Clock::now();
        {
            const std::unique_ptr<SDPLoader_Interface> loader = makeSdpLoader(port());
            ASSERT_TRUE(loader->open()) << c.name;
            const LoadFileResult code = SdpDriver(*loader).loadFile(image, 0x30000000);
            EXPECT_NE(std::find(c.codes.begin(), c.codes.end(), code), c.codes.end())
                << c.name << ": " << static_cast<int>(code);
        }
        EXPECT_LT(Clock::now() - begin, kFailureBound) << c.name;
        const std::string text = log.text();
        EXPECT_TRUE(std::any_of(c.diagnostics.begin(), c.diagnostics.end(),
                                [&](const std::string& d) { return text.find(d) != text.npos; }))
            << c.name << "\n"
            << text;

        const Strings events = rom_->history();
        EXPECT_EQ(s_only(events, {"error_status"}).size(), c.errorStatusTries) << c.name;
        EXPECT_EQ(rom_->memory(0x30000000, image.size()) == image, c.imageStored) << c.name;
    }
}

TEST_P(TransferLoader, AFailedLoadIsAConnectionErrorAndNoJump) {
    ASSERT_EQ(rom_->control("status 12345678").back(), "ok");
    const BirdFile bird = s_bird(BirdFileBuilder().loader(0x20000000, {1, 2, 3}));
    EXPECT_EQ(transferLoader(port(), bird), aErrConnection);
    EXPECT_TRUE(s_only(rom_->history(), {"jump"}).empty());
}

TEST_P(TransferLoader, RefusesALoaderBlockTooShortForItsAddressBeforeTouchingTheRom) {
    BirdFileBuilder builder;
    builder.loader(0x20000000, {1, 2, 3, 4}).block(BirdFileBuilder::kLoader, 0, {0x20, 0, 0});
    LogCapture log(DEBUG_iMXSerial);
    EXPECT_EQ(transferLoader(port(), s_bird(builder)), aErrSize);
    EXPECT_TRUE(log.contains("Loader block 1 is shorter than its address (3 bytes)\n"));
    EXPECT_TRUE(rom_->history().empty());
}

INSTANTIATE_TEST_SUITE_P(Links, TransferLoader, ::testing::Values(Link::Hid, Link::Serial),
                         [](const auto& info) {
                             return info.param == Link::Hid ? "Hid" : "Serial";
                         });

TEST(TransferLoaderPort, OnlyTheExactNameUsbSelectsHid) {
    testing_support::TempDir bus;
    aEmulation_Select(bus.path().c_str());
    LogCapture log(DEBUG_iMXSerial);
    const BirdFile bird = s_bird(BirdFileBuilder().loader(0x20000000, {1}));
    // Lower case names a serial port, which does not exist here.
    EXPECT_EQ(transferLoader("usb", bird), aErrNotReady);
    EXPECT_TRUE(log.contains("Unable to open Serial Port: usb\n"));
    // The exact name looks for the ROM on the bus, where there is none.
    EXPECT_EQ(transferLoader("USB", bird), aErrNotReady);
    aEmulation_Select(nullptr);
}

TEST(TransferLoaderHandOver, TheStartedLoaderAppearsAsAnOrdinaryDeviceOnTheBus) {
    testing_support::TempDir bus;
    aEmulation_Select(bus.path().c_str());
    const std::string liveloader = testing_support::programPath("lynkor-sim") +
                                   " --device DEADDEAD --usb --loader --usb-dir " + bus.path();
    SdpRomSim rom({"--hid", "--usb-dir", bus.path(), "--after-jump", liveloader});
    const BirdFile bird = s_bird(BirdFileBuilder().loader(0x20000000, {1, 2, 3, 4}));

    EXPECT_EQ(transferLoader("USB", bird), aErrNone);
    EXPECT_EQ(rom.waitForJump(2s), "20000400");
    aStream* stream = nullptr;
    const auto deadline = Clock::now() + 5s;
    while (aStream_CreateUSB(0xDEADDEAD, &stream) != aErrNone && Clock::now() < deadline) {
        std::this_thread::sleep_for(20ms);
    }
    ASSERT_NE(stream, nullptr) << "the liveloader did not appear";
    aStream_Destroy(&stream);
    // The ROM itself has left the bus: a second transfer finds nothing to talk to.
    EXPECT_EQ(transferLoader("USB", bird), aErrNotReady);
    aEmulation_Select(nullptr);
}

}  // namespace
