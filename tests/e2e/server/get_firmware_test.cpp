#include <algorithm>
#include <filesystem>
#include <regex>

#include "e2e/server/update_server_fixture.h"

namespace server_e2e {
namespace {

using testing_support::fileExists;
using testing_support::readFile;

const std::string kLatestOpening = kVersionLine +
                                   "Retrieving firmware for device with serial number 40F5849A\n"
                                   "No build specified\nUsing Latest build\n";

std::string bytesText(const std::vector<uint8_t>& bytes) {
    return std::string(bytes.begin(), bytes.end());
}

using GetFirmware = UpdateServerTest;

TEST_F(GetFirmware, LatestBuildIsStoredWithTheDownloadRecorded) {
    auto served = writeStandardDevice();
    startServer();

    auto result = runUpdater({"-G", "-d", "40f5849a"});
    EXPECT_EQ(result.standardOutput, kLatestOpening +
                                         "Retrieving build 1234\n"
                                         "Validating build 1234 with server\n"
                                         "Build 1234 is valid\n");
    EXPECT_EQ(result.standardError, "");
    EXPECT_EQ(result.exitStatus, 0);

    EXPECT_EQ(readFile(deviceDirectory() + "/1234.bird"), bytesText(served));
    std::string settings = readFile(deviceDirectory() + "/.settings");
    EXPECT_NE(settings.find("\nLATEST_DOWNLOAD=1234.bird\n"), std::string::npos) << settings;
    EXPECT_TRUE(std::regex_search(
        settings, std::regex("\nLAST_DOWNLOAD_DATE=[A-Z][a-z]{2} [A-Z][a-z]{2} [ 0-9][0-9] "
                             "[0-9]{2}:[0-9]{2}:[0-9]{2} [0-9]{4}\n")))
        << settings;

    // The download passes on the firmware tag of the build query, parameters in name order.
    EXPECT_EQ(requests(), (std::vector<std::string>{
                              "/cgi/u?op=hi&rv=2&",
                              "/cgi/u?op=qu&sn=40F5849A&",
                              "/cgi/u?op=builds&sn=40F5849A&",
                              "/cgi/u?bld=1234&fw=prod&no_cal=false&op=bird&sn=40F5849A&",
                          }));
}

TEST_F(GetFirmware, UnlistedBuildStopsBeforeDownloadUnlessOverridden) {
    writeStandardDevice();
    auto unlisted = writeBird(kSerial, "999", "9.9.9", 3);
    startServer();
    const std::string opening = kVersionLine +
                                "Retrieving firmware for device with serial number 40F5849A\n"
                                "Retrieving firmware build 999\n"
                                "Retrieving build 999\n";

    auto refused = runUpdater({"-G", "-d", kSerial, "-b", "999"});
    EXPECT_EQ(refused.standardOutput, opening + "Validating build 999 with server\n");
    EXPECT_EQ(refused.standardError,
              "No valid build 999\nReason: The server does not offer build 999 for this device\n");
    EXPECT_EQ(refused.exitStatus, 1);
    EXPECT_FALSE(fileExists(deviceDirectory() + "/999.bird"));
    for (const auto& request : requests()) {
        EXPECT_EQ(request.find("op=bird"), std::string::npos) << request;
    }

    auto overridden = runUpdater({"-G", "-d", kSerial, "-b", "999", "-OVERRIDE"});
    EXPECT_EQ(overridden.standardOutput,
              opening + "Override specified, skipping validation of build 999\n");
    EXPECT_EQ(overridden.standardError, "");
    EXPECT_EQ(overridden.exitStatus, 0);
    EXPECT_EQ(readFile(deviceDirectory() + "/999.bird"), bytesText(unlisted));
    EXPECT_NE(readFile(deviceDirectory() + "/.settings").find("\nLATEST_DOWNLOAD=999.bird\n"),
              std::string::npos);
}

TEST_F(GetFirmware, DeviceDirectoryIsCreatedEvenWhenTheServerRefuses) {
    // The server answers, but knows nothing of this device.
    startServer();
    auto result = runUpdater({"-G", "-d", kSerial});
    EXPECT_EQ(result.standardOutput, kLatestOpening);
    EXPECT_EQ(result.standardError,
              "No build information for device\n"
              "Reason: The server's reply does not begin with \"ok\"\n");
    EXPECT_EQ(result.exitStatus, 1);
    std::string settings = readFile(deviceDirectory() + "/.settings");
    EXPECT_EQ(settings.rfind("CREATED_TIME=", 0), 0u) << settings;
    EXPECT_EQ(settings.find("LATEST_DOWNLOAD"), std::string::npos) << settings;
}

TEST_F(GetFirmware, FailedWriteIsReportedAndNotRecorded) {
    writeStandardDevice();
    startServer();
    // A directory where the file should go: nothing can replace it.
    std::filesystem::create_directories(deviceDirectory() + "/1234.bird");
    auto result = runUpdater({"-G", "-d", kSerial});
    EXPECT_TRUE(std::regex_match(result.standardError,
                                 std::regex("Failed to write file with [1-9][0-9]*\n")))
        << result.standardError;
    EXPECT_EQ(result.exitStatus, 1);
    EXPECT_EQ(readFile(deviceDirectory() + "/.settings").find("LATEST_DOWNLOAD"),
              std::string::npos);
}

// A store whose path leaves no room for a device directory: creating it fails, and the tool
// must say so and stop with status 1 rather than die on the error.
TEST_F(GetFirmware, DeviceDirectoryThatCannotBeCreatedIsReported) {
    writeStandardDevice();
    startServer();
    // The store path takes all but a few bytes of the longest path the system accepts, so its
    // own directory exists but "<store>/40F5849A" is too long to create.
    constexpr size_t kLongestPath = 4095;
    std::string root = home.path();
    const std::string suffix = "/updater";
    while (root.size() + suffix.size() < kLongestPath - 4) {
        const size_t room = kLongestPath - 4 - root.size() - suffix.size();
        root += "/" + std::string(std::min<size_t>(200, std::max<size_t>(room, 2) - 1), 'd');
    }
    std::filesystem::create_directories(root + suffix);

    auto result = runUpdater({"-G", "-d", kSerial, "-i", root});
    EXPECT_EQ(result.exitStatus, 1) << result.standardError;
    // The message names the directory; a path this long is cut with the message.
    EXPECT_EQ(result.standardError.rfind("Failed to Create UpdaterStore in: Download_Firmware - "
                                         "Exception: UpdaterStore: Could not create directory " +
                                             home.path() + "/",
                                         0),
              0u)
        << result.standardError;
}

}  // namespace
}  // namespace server_e2e
