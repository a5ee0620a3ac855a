// -U against simulated devices: the whole update over emulated USB and over TCP, what the device
// received and holds afterwards, what the store records, and how failures end.
#include <chrono>
#include <regex>

#include "e2e/update/update_fixture.h"
#include "support/process.h"

namespace update_e2e {
namespace {

using namespace std::chrono_literals;

constexpr uint32_t kFirstAddress = 0x00010000;
constexpr uint32_t kSecondAddress = 0x00020000;
constexpr size_t kSerialOffset = 0x40;

TEST_F(UpdateTest, GetAndUpdateOverUsbWithTheLoaderRestartingSilently) {
    startDevices({"--device", kSerial, "--usb", "--model", kModel, "--block-size", "1024",
                  "--down-ms", "200"});
    sim->upgrade(kSerial, "load=restart pooled=on build-after=1234");
    const Bytes first = noise(3000, 1);
    const Bytes second = noise(700, 2);
    const Bytes loader = noise(300, 3);
    serveBuild("1234", BirdFileBuilder()
                           .information("Norvane", "1.2.3", kSerial, kModelName)
                           .loader(kLoaderAddress, loader)
                           .firmware(kFirstAddress, first)
                           .firmware(kSecondAddress, second)
                           .serialOffsets(kFirstAddress + kSerialOffset, 0)
                           .fileBytes());
    startServer();

    const auto result = runUpdater({"-G", "-U", "-d", kSerial});

    ASSERT_EQ(result.exitStatus, 0) << result.standardOutput << result.standardError;
    EXPECT_EQ(flash(kFirstAddress), withSerial(first, kSerialOffset));
    EXPECT_EQ(flash(kSecondAddress), second);
    EXPECT_EQ(sim->image(kSerial, "ram")[kLoaderAddress].bytes.bytes, loader);
    const Log log = sim->upgradeLog(kSerial);
    EXPECT_EQ(std::count(log.begin(), log.end(), "uei 1024"), 2);
    EXPECT_EQ(std::count_if(log.begin(), log.end(),
                            [](const std::string& entry) { return entry.starts_with("data"); }),
              12);  // the loader alone goes in DATA packets
    EXPECT_EQ(log.back(), "reboot");
    EXPECT_EQ(sim->restart(kSerial)["restarts"], "2");
    EXPECT_NE(result.standardOutput.find("Updating firmware with build: 1234\n"
                                         "Transferring loader to device\n"
                                         "Transferring loader block 1 of 1, 304 bytes\n"
                                         "Transferred 1 blocks, 304 total bytes\n"
                                         "Starting Load on Device\n"
                                         "Transferring firmware block 1 of 2, 3004 bytes\n"
                                         "Transferring firmware block 2 of 2, 704 bytes\n"
                                         "Transferred 2 blocks, 3708 total bytes\n"
                                         "Update time: "),
              std::string::npos)
        << result.standardOutput;
    EXPECT_TRUE(
        std::regex_search(result.standardOutput, std::regex("Update time: \\d+\\.\\d{4} sec\n$")));
    EXPECT_EQ(result.standardOutput.find('\r'), std::string::npos);
    const std::string stored = settings();
    EXPECT_NE(stored.find("LATEST_DOWNLOAD=1234.bird\n"), std::string::npos);
    EXPECT_NE(stored.find("LATEST_TRANSFER=1234.bird\n"), std::string::npos);
    EXPECT_TRUE(
        std::regex_search(stored, std::regex("LAST_TRANSFER_DATE=[A-Z][a-z]{2} [A-Z][a-z]{2} "
                                             "[ 0-9]\\d \\d\\d:\\d\\d:\\d\\d \\d{4}\n")));
}

TEST_F(UpdateTest, UpdateFromAFileOverTcpInPacketsSurvivesAShortAcceptAndAWrongSum) {
    startDevices({"--device", kSerial, "--tcp", "--model", kModel, "--block-size", "64",
                  "--down-ms", "200"});
    sim->upgrade(kSerial, "load=answer");
    sim->restart(kSerial, "close=fin");
    sim->fault(kSerial, "cmd=95 opt=1 action=short times=1");
    sim->fault(kSerial, "cmd=95 opt=4 action=badsum times=1");
    const Bytes image = noise(100, 4);
    const std::string path = writeBirdFile(BirdFileBuilder()
                                               .information("Norvane", "1.2.3", kSerial, kModelName)
                                               .firmware(kFirstAddress, image)
                                               .fileBytes());

    const auto result = runUpdater({"-U", "-d", kSerial, "-f", path, "-m", "0", "-X", "0x400"});

    ASSERT_EQ(result.exitStatus, 0) << result.standardOutput << result.standardError;
    const std::string prepare = "prepare flags=0x00 address=0x00010000";
    // The first attempt: the first packet taken in part is sent again, and the device, which
    // kept the part, has no room left for the whole of the second. The second attempt: a wrong
    // sum. The third goes through.
    const Log expected =
        join(join({"init", "load", prepare, "data 26", "data 26"}, Log(5, "data 26")),
             join(join({prepare}, packetChunk(64)),
                  join(join({prepare}, packetChunk(64)),
                       join({"write 64"}, join(packetChunk(36), {"write 36", "reboot"})))));
    EXPECT_EQ(sim->upgradeLog(kSerial), expected);
    EXPECT_EQ(flash(kFirstAddress), image);
    EXPECT_NE(result.standardOutput.find("Updating from Birdfile: " + path + "\n"),
              std::string::npos);
    EXPECT_NE(result.standardOutput.find("Transferring firmware block 1 of 1, 104 bytes\n"
                                         "Transferring firmware block 1 of 1, 104 bytes  Retry 1\n"
                                         "Transferring firmware block 1 of 1, 104 bytes  Retry 2\n"
                                         "Transferred 1 blocks, 104 total bytes\n"),
              std::string::npos)
        << result.standardOutput;
    // The device closed its connection in order as it rebooted: the wait saw the link drop
    // well before its bound.
    EXPECT_LT(count(result.standardError, "Waiting for link to drop."), 20u);
    // A device without a store entry gets one for the record.
    EXPECT_NE(settings().find("LATEST_TRANSFER=" + path + "\n"), std::string::npos);
}

TEST_F(UpdateTest, ARefusedPrepareEndsTheUpdateWithoutRebootAndRecordsNothing) {
    startDevices({"--device", kSerial, "--usb", "--model", kModel, "--block-size", "256"});
    sim->upgrade(kSerial, "load=answer");
    sim->fault(kSerial, "cmd=95 opt=3 action=error:11");
    const std::string path = writeBirdFile(BirdFileBuilder()
                                               .information("Norvane", "1.2.3", kSerial, kModelName)
                                               .firmware(kFirstAddress, noise(600, 5))
                                               .fileBytes());

    const auto result = runUpdater({"-U", "-d", kSerial, "-f", path});

    EXPECT_EQ(result.exitStatus, 1);
    EXPECT_EQ(sim->upgradeLog(kSerial),
              (Log{"init", "load", "prepare flags=0x00 address=0x00010000"}));
    EXPECT_EQ(result.standardError,
              "Firmware update of device [40F5849A] failed [29, aErrInvalidOption]\n");
    EXPECT_FALSE(std::filesystem::exists(deviceDirectory()));
}

TEST_F(UpdateTest, ADeviceThatDiesMidFirmwareFailsSoonAndARerunSucceeds) {
    startDevices({"--device", kSerial, "--usb", "--model", kModel, "--block-size", "512"});
    sim->upgrade(kSerial, "load=answer die-after=1500");
    const Bytes image = noise(4000, 6);
    const std::string path = writeBirdFile(BirdFileBuilder()
                                               .information("Norvane", "1.2.3", kSerial, kModelName)
                                               .firmware(kFirstAddress, image)
                                               .fileBytes());

    const auto failed = runUpdater({"-U", "-d", kSerial, "-f", path}, 30s);

    EXPECT_EQ(failed.exitStatus, 1);
    EXPECT_FALSE(failed.timedOut);
    EXPECT_EQ(sim->upgradeCounts(kSerial)["reboot"], 0);
    EXPECT_FALSE(std::filesystem::exists(deviceDirectory()));

    sim->restart(kSerial, "now");
    ASSERT_TRUE(waitUntilUp());
    sim->upgrade(kSerial, "load=answer");
    const auto rerun = runUpdater({"-U", "-d", kSerial, "-f", path});

    EXPECT_EQ(rerun.exitStatus, 0) << rerun.standardOutput << rerun.standardError;
    EXPECT_EQ(flash(kFirstAddress), image);
    EXPECT_NE(settings().find("LATEST_TRANSFER=" + path + "\n"), std::string::npos);
}

TEST_F(UpdateTest, AnUnansweredLoadFindsTheLoaderUnderItsPlaceholderSerialNumber) {
    startDevices({"--device", kSerial, "--usb", "--model", kModel, "--block-size", "512",
                  "--down-ms", "200"});
    sim->upgrade(kSerial, "load=placeholder serial-after=40F5849A");
    const Bytes image = noise(1000, 7);
    const std::string path = writeBirdFile(BirdFileBuilder()
                                               .information("Norvane", "1.2.3", kSerial, kModelName)
                                               .firmware(kFirstAddress, image)
                                               .fileBytes());

    const auto result = runUpdater({"-U", "-d", kSerial, "-f", path, "-X", "0x100"});

    ASSERT_EQ(result.exitStatus, 0) << result.standardOutput << result.standardError;
    EXPECT_NE(
        result.standardError.find("NETWORK: Attempting to reconnect DEFAULT sn. Attempt: 1 of 5\n"),
        std::string::npos)
        << result.standardError;
    EXPECT_EQ(flash(kFirstAddress), image);
    ASSERT_TRUE(waitUntilUp());
    EXPECT_EQ(sim->restart(kSerial)["serial"], kSerial);
}

}  // namespace
}  // namespace update_e2e
