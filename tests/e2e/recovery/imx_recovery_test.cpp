// -U -t RECOVER on an i.MX chip: the fingerprint read through the liveloader that the boot ROM
// started, the recovery information from the update server, and the firmware transferred to the
// liveloader with the upgrade protocol.
#include <algorithm>
#include <map>
#include <regex>

#include "e2e/recovery/imx_fixture.h"

namespace recovery_e2e {
namespace {

using server_e2e::kSerial;
using server_e2e::kVersionLine;

const std::regex kUpdateTime("Update time: [0-9]+\\.[0-9]{4} sec\n$");

std::vector<Image> firmwareImages() {
    return {{0x60001000, BirdFileBuilder::noiseImage(3000, 41)},
            {0x60010000, BirdFileBuilder::noiseImage(700, 42)}};
}

// What the updater shows while the firmware goes to the liveloader.
const std::string kTransferLines =
    "Transferring firmware block 1 of 2, 3004 bytes\n"
    "Transferring firmware block 2 of 2, 704 bytes\n"
    "Transferred 2 blocks, 3708 total bytes\n";

// The firmware images added to `builder`.
BirdFileBuilder withFirmware(BirdFileBuilder builder) {
    for (const Image& image : firmwareImages()) {
        builder.firmware(image.address, image.bytes);
    }
    return builder;
}

BirdFileBuilder firmwareBird() {
    BirdFileBuilder builder;
    builder.information("Norvane", "1.2.3", kSerial, "USBHub3c");
    return withFirmware(builder);
}

// One file with the device's own liveloader and its firmware.
BirdFileBuilder recoveryImage() {
    return withFirmware(liveloaderBird());
}

// The liveloader's flash, by load address.
std::map<uint32_t, std::vector<uint8_t>> s_flash(DeviceSim& liveloader,
                                                 const std::string& serial = kPlaceholder) {
    std::map<uint32_t, std::vector<uint8_t>> flash;
    for (const auto& [address, region] : liveloader.image(serial, "flash")) {
        flash[address] = region.bytes.bytes;
    }
    return flash;
}

std::map<uint32_t, std::vector<uint8_t>> s_written(const std::vector<Image>& images) {
    std::map<uint32_t, std::vector<uint8_t>> flash;
    for (const Image& image : images) {
        flash[image.address] = image.bytes;
    }
    return flash;
}

using ImxRecovery = ImxRecoveryTest;

TEST_F(ImxRecovery, TransfersTheServersBuildThroughTheLiveloader) {
    serveLiveloader();
    writeDevice(kSerial,
                "latest=1234\ntag=prod\nbuild=1234;1.2.3\nfingerprint=" + kChipFingerprint + "\n");
    writeServedBird("1234", firmwareBird());
    startServer();
    startRom();

    auto result = runUpdater({"-U", "-t", "RECOVER", "-s", "USB"});
    EXPECT_TRUE(std::regex_search(result.standardOutput, kUpdateTime)) << result.standardOutput;
    EXPECT_EQ(std::regex_replace(result.standardOutput, kUpdateTime, ""),
              kVersionLine +
                  "Retrieving build 7\n"
                  "Validating build 7 with server\n"
                  "Build 7 is valid\n"
                  "Recovering firmware with build: 1234\n"
                  "Downloading firmware build 1234\n"
                  "Retrieving build 1234\n"
                  "Validating build 1234 with server\n"
                  "Build 1234 is valid\n" +
                  kTransferLines);
    EXPECT_EQ(result.standardError, "");
    EXPECT_EQ(result.exitStatus, 0);

    EXPECT_EQ(requests(), (std::vector<std::string>{
                              "/cgi/u?op=hi&rv=2&",
                              "/cgi/u?op=qu&sn=DEADDEAD&",
                              "/cgi/u?op=builds&sn=DEADDEAD&",
                              "/cgi/u?bld=7&fw=loader&no_cal=false&op=bird&sn=DEADDEAD&",
                              kChipFixRequest,
                              "/cgi/u?op=hi&rv=2&",
                              "/cgi/u?op=qu&sn=40F5849A&",
                              "/cgi/u?op=builds&sn=40F5849A&",
                              "/cgi/u?bld=1234&fw=prod&no_cal=false&op=bird&sn=40F5849A&",
                          }));
    EXPECT_EQ(rom->history(), kLoaderHistory);
    EXPECT_EQ(s_flash(liveloader()), s_written(firmwareImages()));
    const std::vector<std::string> log = liveloader().upgradeLog(kPlaceholder);
    ASSERT_FALSE(log.empty());
    EXPECT_EQ(log.back(), "reboot");
    // Recovery leaves the liveloader to the firmware transfer: no reset.
    EXPECT_EQ(liveloader().stats(kPlaceholder)["uei_calls"], 0);
}

// One file holds the device's own liveloader and its firmware; the server is not asked.
TEST_F(ImxRecovery, NamedFileGivesTheLiveloaderAndTheFirmwareOfTheNamedDevice) {
    const std::string path = writeLocalBird("recovery.bird", recoveryImage());
    startServer();
    startRom({}, false, kSerial);

    auto result = runUpdater({"-U", "-t", "RECOVER", "-s", "USB", "-f", path, "-d", kSerial});
    EXPECT_EQ(std::regex_replace(result.standardOutput, kUpdateTime, ""),
              kVersionLine + "Recovering from Birdfile: " + path + "\n" + kTransferLines);
    EXPECT_EQ(result.standardError, "");
    EXPECT_EQ(result.exitStatus, 0);
    EXPECT_EQ(requests(), std::vector<std::string>{});
    EXPECT_EQ(rom->history(), kLoaderHistory);
    EXPECT_EQ(s_flash(liveloader(), kSerial), s_written(firmwareImages()));

    // Without the device's serial number the file is not taken for the liveloader.
    startRom();
    auto anonymous = runUpdater({"-U", "-t", "RECOVER", "-s", "USB", "-f", path});
    EXPECT_EQ(anonymous.standardError,
              "Add serial number or remove the bird filename to use a default recovery "
              "image.\nCould not get Device Identifier\n");
    EXPECT_EQ(anonymous.exitStatus, 1);
    EXPECT_EQ(rom->history(), std::vector<std::string>{});
}

// A liveloader already running when the ROM jumps, set to fail the transfer: it ends at the first
// block's one PREPARE, and the device is not rebooted.
TEST_F(ImxRecovery, TransferFaultsOfTheLiveloaderFailTheRecoveryWithoutReboot) {
    const std::string path = writeLocalBird("recovery.bird", recoveryImage());
    const struct {
        const char* name;
        std::string fault;
        std::string upgrade;
        std::string errors;
    } cases[] = {
        {"prepare refused", "cmd=95 opt=3 action=error:1", "", "Failed to transfer firmware\n"},
        // The upgrade protocol's own line, written whatever the debug mask.
        {"gone midway", "", "die-after=1000",
         "NETWORK: Failed to transfer firmware\nFailed to transfer firmware\n"},
    };
    for (const auto& c : cases) {
        startServer();
        startRom({}, false, "");
        DeviceSim running({"--heartbeat-ms", "0", "--usb-dir", usbBus.path(), "--device", kSerial,
                           "--usb", "--loader", "--identifier", kChipIdentifier});
        if (!c.fault.empty()) {
            running.fault(kSerial, c.fault);
        }
        if (!c.upgrade.empty()) {
            running.upgrade(kSerial, c.upgrade);
        }
        auto result = runUpdater({"-U", "-t", "RECOVER", "-s", "USB", "-f", path, "-d", kSerial});
        EXPECT_EQ(result.standardError, c.errors) << c.name;
        EXPECT_EQ(result.exitStatus, 1) << c.name;
        EXPECT_TRUE(std::regex_search(result.standardOutput, kUpdateTime)) << c.name;
        const std::vector<std::string> log = running.upgradeLog(kSerial);
        EXPECT_EQ(
            std::count_if(log.begin(), log.end(),
                          [](const std::string& line) { return line.starts_with("prepare"); }),
            1)
            << c.name;
        EXPECT_EQ(std::count(log.begin(), log.end(), "reboot"), 0) << c.name;
    }
}

}  // namespace
}  // namespace recovery_e2e
