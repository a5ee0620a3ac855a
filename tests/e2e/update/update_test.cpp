// -U against simulated devices: the whole update over emulated USB and over TCP, what the device
// received and holds afterwards, what the store records, and how failures end.
#include <chrono>
#include <regex>

#include "e2e/update/update_fixture.h"
#include "support/process.h"

namespace update_e2e {
namespace {

using namespace std::chrono_literals;

constexpr uint32_t kFirstAddress = kFirmwareAddress;
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
                  "--down-ms", "1000"});
    sim->upgrade(kSerial, "load=answer");
    sim->restart(kSerial, "close=fin");
    sim->fault(kSerial, "cmd=95 opt=1 action=short times=1");
    sim->fault(kSerial, "cmd=95 opt=4 action=badsum times=1");
    const Bytes image = noise(100, 4);
    const std::string path = writeFirmwareFile(image);

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
    const std::string path = writeFirmwareFile(noise(600, 5));

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
    const std::string path = writeFirmwareFile(image);

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
    const std::string path = writeFirmwareFile(image);

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

namespace update_e2e {
namespace {

// A file or a choice of build that does not fit, and a device or a server that is not there:
// each ends with its message and exit status 1 before the device hears a thing, except the
// override, which transfers a file for another model.
struct Refusal {
    const char* name;
    // The bird file named with -f: its model and serial number; no model, no file.
    const char* model;
    const char* serial;
    std::vector<std::string> arguments;
    bool deviceThere;
    bool serverThere;
    int exitStatus;
    std::string output;
    std::string errors;
};

class Refusals : public UpdateTest, public testing::WithParamInterface<Refusal> {};

const std::string kNewFirmware =
    "New firmware is available.  Updater will proceed if valid firmware is found locally.\n";

INSTANTIATE_TEST_SUITE_P(
    UpdateTest, Refusals,
    testing::Values(
        Refusal{"AFileForAnotherModel",
                "Plinth",
                "40F5849A",
                {},
                true,
                true,
                1,
                "",
                "Connected device model and Bird file model do not match [Lintel] (0)\n"
                "Birdfile failed validation\n"},
        Refusal{"AFileForAnotherDevice",
                "Lintel",
                "12345678",
                {},
                true,
                true,
                1,
                "",
                "Birdfile failed validation\n"},
        Refusal{"AnotherModelWithOverride",
                "Plinth",
                "12345678",
                {"-OVERRIDE"},
                true,
                true,
                0,
                "Transferred 1 blocks, 104 total bytes\n",
                ""},
        Refusal{"ACorruptFile", "corrupt", "", {}, true, true, 1, "", "Failed to load bird file\n"},
        Refusal{"ABuildNotStored",
                nullptr,
                "",
                {"-b", "999"},
                true,
                true,
                1,
                "Updating firmware with build: 999\n",
                "Failed to load bird file\n"},
        Refusal{"TheServersBuildNotStored",
                nullptr,
                "",
                {},
                true,
                true,
                1,
                kNewFirmware,
                "Could not find valid build for this device.\n"},
        Refusal{"TheServerDownAndNothingStored",
                nullptr,
                "",
                {},
                true,
                false,
                1,
                "",
                "Could not find valid build for this device.\n"},
        Refusal{"NoSuchDevice",
                "Lintel",
                "40F5849A",
                {},
                false,
                true,
                1,
                "",
                "Failed to connect to module [40F5849A]\n"
                "Firmware update of device [40F5849A] failed [3, aErrNotFound]\n"}),
    [](const testing::TestParamInfo<Refusal>& info) { return info.param.name; });

TEST_P(Refusals, EndWithTheirMessage) {
    const Refusal& refusal = GetParam();
    startDevices({"--device", refusal.deviceThere ? kSerial : "0BADCAFE", "--usb", "--model",
                  kModel, "--block-size", "256", "--down-ms", "1000"});
    sim->upgrade(refusal.deviceThere ? kSerial : "0BADCAFE", "load=answer");
    writeDevice(kSerial, "latest=1234\ntag=prod\nbuild=1234;1.2.3\n");
    startServer();
    if (!refusal.serverThere) {
        url = "http://127.0.0.1:1/cgi/u";
    }
    std::vector<std::string> arguments{"-U", "-d", kSerial};
    const Bytes image = noise(100, 8);
    if (refusal.model != nullptr) {
        const Bytes bird = std::string(refusal.model) == "corrupt"
                               ? noise(200, 9)
                               : BirdFileBuilder()
                                     .information("Norvane", "1.2.3", refusal.serial, refusal.model)
                                     .firmware(kFirstAddress, image)
                                     .fileBytes();
        arguments.insert(arguments.end(), {"-f", writeBirdFile(bird)});
    }
    arguments.insert(arguments.end(), refusal.arguments.begin(), refusal.arguments.end());

    const auto result = runUpdater(arguments);

    EXPECT_EQ(result.exitStatus, refusal.exitStatus) << result.standardOutput;
    EXPECT_NE(result.standardOutput.find(refusal.output), std::string::npos)
        << result.standardOutput;
    EXPECT_EQ(result.standardError, refusal.errors);
    if (refusal.deviceThere && refusal.exitStatus != 0) {
        EXPECT_TRUE(sim->upgradeLog(kSerial).empty());
    }
    if (refusal.exitStatus == 0) {
        EXPECT_EQ(flash(kFirstAddress), image);
    } else if (std::filesystem::exists(deviceDirectory())) {
        EXPECT_EQ(settings().find("LATEST_TRANSFER="), std::string::npos);
    }
}

TEST_F(UpdateTest, ProgressBarsAndTheBusyLabelShowOnATerminal) {
    startDevices({"--device", kSerial, "--usb", "--model", kModel, "--block-size", "256",
                  "--down-ms", "300"});
    // The device stays up a while after REBOOT, so the busy label has time to show.
    sim->upgrade(kSerial, "load=answer verify-ms=600");
    const std::string path = writeFirmwareFile(noise(1000, 10));
    startServer();
    const std::string command = testing_support::programPath("updater") + " -U -d " + kSerial +
                                " -f " + path + " -u " + url;
    testing_support::ProcessOptions options;
    options.environment = environment;
    options.environment.push_back("HOME=" + home.path());

    // script gives the updater a terminal and hands on what it draws there.
    const auto result =
        testing_support::runProcess({"/usr/bin/script", "-qfec", command, "/dev/null"}, options);

    ASSERT_EQ(result.exitStatus, 0) << result.standardOutput;
    const std::string& screen = result.standardOutput;
    const std::string fill(69, '=');
    EXPECT_NE(screen.find("\r[" + fill.substr(0, 17) + ">" + std::string(51, ' ') + "] ( 25% ) "),
              std::string::npos)
        << screen;
    EXPECT_NE(screen.find("\r[" + fill + "> ] (100% ) "), std::string::npos);
    EXPECT_NE(screen.find("\r (Verifying Update) .      \r"), std::string::npos);
    EXPECT_NE(screen.find("\r" + std::string(88, ' ') + "\r"), std::string::npos);
}

TEST_F(UpdateTest, ALoaderThatStaysAwayLongOverTcpIsReachedAgainWhereItWas) {
    startDevices({"--device", kSerial, "--tcp", "--model", kModel, "--block-size", "512",
                  "--down-ms", "5000"});
    sim->upgrade(kSerial, "load=restart");
    const Bytes image = noise(800, 11);
    const std::string path = writeFirmwareFile(image);

    const auto result = runUpdater({"-U", "-d", kSerial, "-f", path, "-X", "0x100"});

    ASSERT_EQ(result.exitStatus, 0) << result.standardOutput << result.standardError;
    EXPECT_EQ(flash(kFirstAddress), image);
    // The loader's own reconnection gave up before the device was back.
    EXPECT_NE(result.standardError.find("NETWORK: Invalid or reply when starting loader. ["),
              std::string::npos)
        << result.standardError;
}

}  // namespace
}  // namespace update_e2e

namespace update_e2e {
namespace {

// -U -r: a device behind a router, found on the router's bus and updated through it; it restarts
// into its loader silently, while the router keeps the link.
class RouterUpdate : public UpdateTest {
protected:
    void SetUp() override {
        UpdateTest::SetUp();
        startDevices({"--device",     "D272031D",  "--usb",    "--address", "6",
                      "--model",      "19",        "--device", kSerial,     "--behind",
                      "D272031D",     "--address", "0x10",     "--model",   kModel,
                      "--block-size", "256",       "--device", "0000BEEF",  "--behind",
                      "D272031D",     "--address", "0x20",     "--model",   kModel});
        sim->upgrade(kSerial, "load=restart");
        startServer();
    }
};

TEST_F(RouterUpdate, UpdatesTheDeviceBehindTheRouterAndNoOther) {
    const Bytes image = noise(1500, 12);
    const std::string path = writeFirmwareFile(image);

    const auto result = runUpdater({"-U", "-d", kSerial, "-r", "D272031D", "-f", path});

    ASSERT_EQ(result.exitStatus, 0) << result.standardOutput << result.standardError;
    EXPECT_EQ(flash(kFirmwareAddress), image);
    EXPECT_EQ(sim->upgradeLog(kSerial).back(), "reboot");
    EXPECT_TRUE(sim->upgradeLog("0000BEEF").empty());
    EXPECT_TRUE(sim->upgradeLog("D272031D").empty());
    EXPECT_NE(settings().find("LATEST_TRANSFER=" + path + "\n"), std::string::npos);
}

TEST_F(RouterUpdate, ADeviceNotBehindTheRouterIsNamed) {
    const std::string path = writeFirmwareFile(noise(100, 13));

    const auto result = runUpdater({"-U", "-d", "12345678", "-r", "D272031D", "-f", path});

    EXPECT_EQ(result.exitStatus, 1);
    EXPECT_EQ(result.standardError,
              "Module address required for indirect firmware update, could not find serial "
              "number [0x12345678] on network\n");
    EXPECT_TRUE(sim->upgradeLog(kSerial).empty());
}

TEST_F(RouterUpdate, ARouterThatIsNotThereFindsNothing) {
    const std::string path = writeFirmwareFile(noise(100, 14));

    const auto result = runUpdater({"-U", "-d", kSerial, "-r", "0D0D0D0D", "-f", path});

    EXPECT_EQ(result.exitStatus, 1);
    EXPECT_EQ(result.standardError, "Unable to find modules on Network\n");
}

}  // namespace
}  // namespace update_e2e
