// -U -t RECOVER through a chip's serial boot loader: the fingerprint, the recovery information
// from the update server, the download, and the keyed image written into the chip's flash.
#include <regex>

#include "e2e/recovery/recovery_fixture.h"

namespace recovery_e2e {
namespace {

using server_e2e::kSerial;
using server_e2e::kVersionLine;
using testing_support::fileExists;
using testing_support::readFile;

const std::string kFixRequest =
    "/cgi/u?brief=true&fp=1A2B3C4D%2000112233%208899AABB%20CAFEF00D&op=fix&";
const std::regex kUpdateTime("Update time: [0-9]+\\.[0-9]{4} sec\n$");

// An image of two chunks across a sector boundary; one whose last byte lies in sector 2 while
// its copy, rounded up to 4096 bytes, reaches into sector 3; one whose length is not a multiple
// of 4, in the large sectors.
std::vector<Image> latestImages() {
    return {{0x0E00, BirdFileBuilder::noiseImage(5000, 11)},
            {0x2800, BirdFileBuilder::noiseImage(1025, 12)},
            {0x10000, BirdFileBuilder::noiseImage(3001, 13)}};
}

std::vector<Image> olderImages() {
    return {{0x0000, BirdFileBuilder::noiseImage(2000, 21)}};
}

std::vector<Image> keyedImages(const std::vector<Image>& images) {
    std::vector<Image> result;
    for (const Image& image : images) {
        result.push_back({image.address, keyed(image.bytes)});
    }
    return result;
}

// The record without its checksum lines.
std::vector<std::string> withoutChecksums(const std::vector<std::string>& record) {
    std::vector<std::string> lines;
    for (const std::string& line : record) {
        if (line.rfind("checksum ", 0) != 0) {
            lines.push_back(line);
        }
    }
    return lines;
}

std::vector<std::string> identified(const std::string& rate) {
    return {"sync " + rate, "crystal 14746", "command N => 0"};
}

std::vector<std::string> concatenated(std::vector<std::string> first,
                                      const std::vector<std::string>& second) {
    first.insert(first.end(), second.begin(), second.end());
    return first;
}

using Recovery = RecoveryTest;

TEST_F(Recovery, WritesTheServersBuildKeyedWithTheChipsFingerprintAtOneRate) {
    writeRecoverableDevice(latestImages(), olderImages());
    startServer();
    IspSim chip({"--pace"});

    auto result = runUpdater({"-U", "-t", "RECOVER", "-s", chip.ptyPath(), "-o", "57600"});
    EXPECT_TRUE(std::regex_search(result.standardOutput, kUpdateTime)) << result.standardOutput;
    EXPECT_EQ(std::regex_replace(result.standardOutput, kUpdateTime, ""),
              kVersionLine +
                  "Recovering firmware with build: 1234\n"
                  "Downloading firmware build 1234\n"
                  "Retrieving build 1234\n"
                  "Validating build 1234 with server\n"
                  "Build 1234 is valid\n"
                  "Transferring firmware block 1 of 3, 5000 bytes\n"
                  "Transferring firmware block 2 of 3, 1025 bytes\n"
                  "Transferring firmware block 3 of 3, 3001 bytes\n"
                  "Transferred 3 blocks, 9026 total bytes\n"
                  "Rebooting Device\n");
    EXPECT_EQ(result.standardError, "");
    EXPECT_EQ(result.exitStatus, 0);

    EXPECT_EQ(requests(), (std::vector<std::string>{
                              kFixRequest,
                              "/cgi/u?op=hi&rv=2&",
                              "/cgi/u?op=qu&sn=40F5849A&",
                              "/cgi/u?op=builds&sn=40F5849A&",
                              "/cgi/u?bld=1234&fw=prod&no_cal=false&op=bird&sn=40F5849A&",
                          }));
    // One synchronisation at the -o rate serves the fingerprint and the flash: the chip keeps
    // the rate of its first "?".
    EXPECT_EQ(withoutChecksums(chip.record()),
              concatenated(identified("57600"), flashCommands(latestImages())));
    EXPECT_TRUE(fileExists(deviceDirectory() + "/1234.bird"));
    EXPECT_NE(readFile(deviceDirectory() + "/.settings").find("\nLATEST_DOWNLOAD=1234.bird\n"),
              std::string::npos);
    EXPECT_EQ(chip.flash(), flashHolding(keyedImages(latestImages())));
}

TEST_F(Recovery, BuildArgumentReplacesTheServersBuild) {
    writeRecoverableDevice(latestImages(), olderImages());
    startServer();
    IspSim chip;

    auto result = runUpdater({"-U", "-t", "RECOVER", "-s", chip.ptyPath(), "-b", "1200"});
    EXPECT_EQ(result.exitStatus, 0) << result.standardError;
    EXPECT_NE(result.standardOutput.find("Recovering firmware with build: 1200\n"
                                         "Downloading firmware build 1200\n"),
              std::string::npos)
        << result.standardOutput;
    auto requested = requests();
    ASSERT_FALSE(requested.empty());
    EXPECT_EQ(requested.front(), kFixRequest);
    EXPECT_EQ(requested.back(), "/cgi/u?bld=1200&fw=prod&no_cal=false&op=bird&sn=40F5849A&");
    EXPECT_TRUE(fileExists(deviceDirectory() + "/1200.bird"));
    EXPECT_EQ(chip.flash(), flashHolding(keyedImages(olderImages())));
}

TEST_F(Recovery, RefusalsComeBeforeAnyFlashCommand) {
    writeRecoverableDevice(latestImages(), olderImages());
    startServer();
    const std::string offline =
        writeLocalBird("offline.bird", recoveryBird(latestImages()).serialOffsets(0x0E10, 0));
    const std::string misplaced =
        writeLocalBird("misplaced.bird", recoveryBird({{0x1080, std::vector<uint8_t>(64, 1)}}));
    const std::string empty = writeLocalBird("empty.bird", recoveryBird({}));
    const struct {
        const char* name;
        std::vector<std::string> chip;
        std::vector<std::string> arguments;
        std::string errors;
        bool timed;
    } cases[] = {
        {"unknown fingerprint",
         {"--identification", "1,2,3,4"},
         {},
         "Failed to retrieve recovery information from Norvane server\n"
         "Reason: The server's reply does not begin with \"ok\"\n",
         false},
        {"serial-number places",
         {},
         {"-f", offline},
         "Updater does not support offline recovery\n",
         false},
        {"image off a flash page",
         {},
         {"-f", misplaced},
         "Firmware block 1 at 00001080 does not start on a flash page\n"
         "Failed to transfer firmware\n",
         true},
        {"no image",
         {},
         {"-f", empty},
         "The bird file holds no firmware image\nFailed to transfer firmware\n",
         true},
        // No serial boot loader answers, and the i.MX path finds no liveloader on this server.
        {"silent chip",
         {"--silent"},
         {},
         "No build information for device\n"
         "Reason: The server's reply does not begin with \"ok\"\n"
         "Could not get Device Identifier\n",
         false},
    };
    for (const auto& c : cases) {
        IspSim chip(c.chip);
        std::vector<std::string> arguments{"-U", "-t", "RECOVER", "-s", chip.ptyPath()};
        arguments.insert(arguments.end(), c.arguments.begin(), c.arguments.end());
        auto result = runUpdater(arguments);
        EXPECT_EQ(result.standardError, c.errors) << c.name;
        EXPECT_EQ(result.exitStatus, 1) << c.name;
        EXPECT_EQ(std::regex_search(result.standardOutput, kUpdateTime), c.timed) << c.name;
        const std::vector<std::string> commands = chip.commands();
        EXPECT_LE(commands.size(), 1u) << c.name;
        EXPECT_EQ(chip.flash(), std::vector<uint8_t>(kFlashSize, 0xFF)) << c.name;
    }
}

TEST_F(Recovery, ServerWithoutRecoveryInformationStopsBeforeTheFlash) {
    writeRecoverableDevice(latestImages(), olderImages());
    const std::string bareOk = home.file("bare_ok");
    testing_support::writeFile(bareOk, "ok\n");
    const struct {
        std::vector<std::string> fault;
        std::string reason;
    } cases[] = {
        {{"--status", "500"}, "The server answered with HTTP status 500"},
        {{"--first-line", "error"}, "The server's reply does not begin with \"ok\""},
        {{"--body-file", bareOk}, "The reply names no serial number"},
    };
    for (const auto& [fault, reason] : cases) {
        std::vector<std::string> options{"--fault-op", "fix"};
        options.insert(options.end(), fault.begin(), fault.end());
        startServer(options);
        IspSim chip;
        auto result = runUpdater({"-U", "-t", "RECOVER", "-s", chip.ptyPath()});
        EXPECT_EQ(
            result.standardError,
            "Failed to retrieve recovery information from Norvane server\nReason: " + reason + "\n")
            << fault[0];
        EXPECT_EQ(result.exitStatus, 1) << fault[0];
        EXPECT_EQ(chip.commands(), std::vector<std::string>{"command N => 0"}) << fault[0];
    }
}

TEST_F(Recovery, FlashFaultsOfTheChip) {
    startServer();
    const std::vector<Image> images = latestImages();
    const std::string bird = writeLocalBird("recovery.bird", recoveryBird(images));
    const std::vector<uint8_t> written = flashHolding(keyedImages(images));
    const std::vector<uint8_t> erased(kFlashSize, 0xFF);
    const struct {
        const char* name;
        std::vector<std::string> chip;
        int exitStatus;
        std::string errors;
        int resends;
        std::vector<uint8_t> flash;
    } cases[] = {
        {"two resends survived", {"--resend", "2"}, 0, "", 2, written},
        {"three resends", {"--resend", "3"}, 1, "Failed to transfer firmware\n", 3, erased},
        {"copy answered with a code ending in 0",
         {"--code", "C=10"},
         1,
         "Failed to transfer firmware\n",
         0,
         erased},
        // Echo never goes off, so every line comes back; but echo cannot be confirmed on again.
        {"echo commands refused",
         {"--code", "A=1"},
         1,
         "Recovery Error transfering data to device ==> [2, aErrParam]\n"
         "Failed to transfer firmware\n",
         0,
         written},
    };
    for (const auto& c : cases) {
        IspSim chip(c.chip);
        auto result = runUpdater({"-U", "-t", "RECOVER", "-s", chip.ptyPath(), "-f", bird});
        EXPECT_EQ(result.exitStatus, c.exitStatus) << c.name;
        EXPECT_EQ(result.standardError, c.errors) << c.name;
        EXPECT_TRUE(std::regex_search(result.standardOutput, kUpdateTime)) << c.name;
        int resends = 0;
        for (const std::string& line : chip.record()) {
            resends += line.ends_with(" RESEND") ? 1 : 0;
        }
        EXPECT_EQ(resends, c.resends) << c.name;
        EXPECT_EQ(chip.flash(), c.flash) << c.name;
    }
}

}  // namespace
}  // namespace recovery_e2e
