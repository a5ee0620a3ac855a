// -N on an i.MX chip: the liveloader written through the boot ROM (over HID, or on the serial
// line once no serial boot loader answered there), the identifier read from the liveloader the
// ROM started, and the chip restarted.
#include <chrono>
#include <filesystem>
#include <functional>
#include <map>

#include "e2e/recovery/imx_fixture.h"

namespace recovery_e2e {
namespace {

using Clock = std::chrono::steady_clock;
using server_e2e::kVersionLine;
using testing_support::readFile;

const std::string kLoaderDownload =
    "Retrieving build 7\nValidating build 7 with server\nBuild 7 is valid\n";
// The system entity's reset: a call of option 11.
const std::string kResetRequest = "038B20";

using ImxFingerprint = ImxRecoveryTest;

// The liveloader's requests as they arrived, as upper-case hex of their data bytes.
bool s_heard(DeviceSim& liveloader, const std::string& request) {
    for (const std::string& packet : liveloader.history(kPlaceholder)) {
        if (packet.find(request) != std::string::npos) {
            return true;
        }
    }
    return false;
}

TEST_F(ImxFingerprint, LiveloaderStartedOverHidTellsTheIdentifierAndIsReset) {
    serveLiveloader();
    startServer();
    startRom();

    // "USB" names the ROM on HID, where no serial boot loader is probed.
    auto result = runUpdater({"-N", "-s", "USB"});
    EXPECT_EQ(result.standardOutput, kVersionLine + kLoaderDownload + kChipFingerprintLine);
    EXPECT_EQ(result.standardError, "");
    EXPECT_EQ(result.exitStatus, 0);

    EXPECT_EQ(rom->history(), kLoaderHistory);
    EXPECT_EQ(rom->memory(kLoaderAddress, kLoaderImage.size()), kLoaderImage);
    EXPECT_EQ(rom->memory(kLoaderTailAddress, kLoaderTail.size()), kLoaderTail);
    EXPECT_EQ(liveloader().stats(kPlaceholder)["uei_calls"], 1);
    EXPECT_TRUE(s_heard(liveloader(), kResetRequest));
    EXPECT_NE(
        readFile(deviceDirectory(kPlaceholder) + "/.settings").find("\nLATEST_DOWNLOAD=7.bird\n"),
        std::string::npos);

    // Once stored, the liveloader is not fetched again.
    rom->control("reset");
    loader.reset();
    requests();
    auto again = runUpdater({"-N", "-s", "USB"});
    EXPECT_EQ(again.standardOutput, kVersionLine + kChipFingerprintLine);
    EXPECT_EQ(again.standardError, "");
    EXPECT_EQ(again.exitStatus, 0);
    EXPECT_EQ(requests(), std::vector<std::string>{});
}

TEST_F(ImxFingerprint, SerialLineFallsBackToTheBootRomOnceNoSerialBootLoaderAnswers) {
    serveLiveloader();
    startServer();
    startRom({}, true);

    auto result = runUpdater({"-N", "-s", rom->ptyPath()});
    EXPECT_EQ(result.standardOutput, kVersionLine + kLoaderDownload + kChipFingerprintLine);
    EXPECT_EQ(result.standardError, "");
    EXPECT_EQ(result.exitStatus, 0);

    // The serial boot loader's probe leaves its "?" on the line; the ROM drops it, and takes the
    // commands whole and the data without report IDs.
    std::vector<std::string> expected{"discarded 1"};
    for (const std::string& event : kLoaderHistory) {
        if (event.rfind("data ", 0) != 0) {
            expected.push_back(event);
        }
    }
    EXPECT_EQ(rom->history(), expected);
    EXPECT_EQ(rom->memory(kLoaderAddress, kLoaderImage.size()), kLoaderImage);
    EXPECT_TRUE(s_heard(liveloader(), kResetRequest));
}

bool s_jumped(const std::vector<std::string>& history) {
    return !history.empty() && history.back().rfind("jump ", 0) == 0;
}

TEST_F(ImxFingerprint, BootRomFaultsEndTheReadWithinItsBound) {
    serveLiveloader();
    const struct {
        const char* name;
        std::vector<std::string> rom;
        std::string liveloader;
        bool jumps;
        std::chrono::seconds bound;
    } cases[] = {
        {"silent", {"--silent"}, kPlaceholder, false, std::chrono::seconds(5)},
        {"write refused", {"--reject-writes"}, kPlaceholder, false, std::chrono::seconds(5)},
        {"answers cut short", {"--short-answers"}, kPlaceholder, false, std::chrono::seconds(5)},
        {"write not completed",
         {"--write-status", "12345678"},
         kPlaceholder,
         false,
         std::chrono::seconds(5)},
        // The ROM leaves the bus at the jump and nothing comes up in its place.
        {"no liveloader after the jump", {}, "", true, std::chrono::seconds(25)},
    };
    for (const auto& c : cases) {
        startServer();
        startRom(c.rom, false, c.liveloader);
        const auto start = Clock::now();
        auto result = runUpdater({"-N", "-s", "USB", "-X", "0x10000"});
        EXPECT_LT(Clock::now() - start, c.bound) << c.name;
        EXPECT_EQ(result.standardOutput, kVersionLine + kLoaderDownload) << c.name;
        EXPECT_TRUE(result.standardError.ends_with(
            (c.jumps ? "Could not connect to device.\n" : "Error loading liveloader.\n") +
            std::string("Got no response from chip\n")))
            << c.name << ": " << result.standardError;
        EXPECT_EQ(result.exitStatus, 1) << c.name;
        EXPECT_EQ(s_jumped(rom->history()), c.jumps) << c.name;
        std::filesystem::remove_all(deviceDirectory(kPlaceholder));
    }

    // No ROM on the bus at all.
    rom.reset();
    auto absent = runUpdater({"-N", "-s", "USB", "-X", "0x10000"});
    EXPECT_TRUE(
        absent.standardError.ends_with("Error loading liveloader.\nGot no response from chip\n"))
        << absent.standardError;
    EXPECT_EQ(absent.exitStatus, 1);
}

TEST_F(ImxFingerprint, IdentifierWordRefusedGivesNoFingerprintAndNoReset) {
    serveLiveloader();
    startServer();
    // A liveloader already up when the ROM jumps, so that it refuses from the first request.
    startRom({}, false, "");
    DeviceSim running({"--heartbeat-ms", "0", "--usb-dir", usbBus.path(), "--device", kPlaceholder,
                       "--usb", "--loader"});
    running.fault(kPlaceholder, "cmd=3 opt=39 sub=2 action=error:5");

    auto result = runUpdater({"-N", "-s", "USB", "-X", "0x10000"});
    EXPECT_TRUE(
        result.standardError.ends_with("Error getting Identifier 2.\nGot no response from chip\n"))
        << result.standardError;
    EXPECT_EQ(result.exitStatus, 1);
    // Words 0 and 1 answered, word 2 refused, word 3 never asked; no reset.
    std::map<std::string, long> stats = running.stats(kPlaceholder);
    EXPECT_EQ(stats["uei_gets"], 2);
    EXPECT_EQ(stats["faults_fired"], 1);
    EXPECT_EQ(stats["uei_calls"], 0);
}

// Whatever keeps the liveloader from loading ends the read before the ROM hears a thing.
TEST_F(ImxFingerprint, LiveloaderThatCannotBeLoadedLeavesTheRomUntouched) {
    const std::string storedLoader = deviceDirectory(kPlaceholder);
    const std::string namedLoader = writeLocalBird("liveloader.bird", liveloaderBird());
    auto serveBytes = [this](const std::string& bytes) {
        writeDevice(kPlaceholder, "latest=7\ntag=loader\nbuild=7;1.0.0\n");
        testing_support::writeFile(serverRoot.file(kPlaceholder + "/7.bird"), bytes);
    };
    auto store = [&](const std::string& settings, const std::string& file) {
        std::filesystem::create_directories(storedLoader);
        testing_support::writeFile(storedLoader + "/.settings", settings);
        testing_support::writeFile(storedLoader + "/7.bird", file);
    };
    const std::vector<uint8_t> shortBlock =
        BirdFileBuilder().block(BirdFileBuilder::kLoader, 0, {0x20, 0x00}).fileBytes();
    const struct {
        const char* name;
        std::function<void()> prepare;
        std::vector<std::string> arguments;
        std::string errors;
    } cases[] = {
        {"server without a liveloader", [] {}, {}, "No build information for device\n"},
        {"downloaded liveloader not a bird file",
         [&] { serveBytes("not a bird file"); },
         {},
         "Failed to retrieve a valid BIRD file\n"},
        {"loader block shorter than its address",
         [&] { serveBytes(std::string(shortBlock.begin(), shortBlock.end())); },
         {},
         ""},
        {"stored entry without a download", [&] { store("CREATED_TIME=x\n", ""); }, {}, ""},
        {"stored liveloader that does not load",
         [&] { store("LATEST_DOWNLOAD=7.bird\n", "not a bird file"); },
         {},
         ""},
        {"named file without a device serial",
         [] {},
         {"-f", namedLoader},
         "Add serial number or remove the bird filename to use a default recovery image.\n"},
    };
    for (const auto& c : cases) {
        std::filesystem::remove_all(serverRoot.file(kPlaceholder));
        std::filesystem::remove_all(storedLoader);
        c.prepare();
        startServer();
        startRom();
        std::vector<std::string> arguments{"-N", "-s", "USB", "-X", "0x10000"};
        arguments.insert(arguments.end(), c.arguments.begin(), c.arguments.end());
        auto result = runUpdater(arguments);
        EXPECT_NE(result.standardError.find(c.errors), std::string::npos)
            << c.name << ": " << result.standardError;
        EXPECT_TRUE(result.standardError.ends_with(
            (c.arguments.empty() ? std::string("Error loading liveloader.\n") : std::string()) +
            "Got no response from chip\n"))
            << c.name << ": " << result.standardError;
        EXPECT_EQ(result.exitStatus, 1) << c.name;
        EXPECT_EQ(rom->history(), std::vector<std::string>{}) << c.name;
    }
}

}  // namespace
}  // namespace recovery_e2e
