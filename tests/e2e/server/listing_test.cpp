#include "e2e/server/update_server_fixture.h"

namespace server_e2e {
namespace {

std::string row(const std::string& build, const std::string& version) {
    char line[64];
    std::snprintf(line, sizeof line, "%-15.15s\t%-15.15s\n", build.c_str(), version.c_str());
    return line;
}

const std::string kListHeading =
    kVersionLine + "Build List for device [40F5849A]:\n\n" + row("Build", "Version");

using ServerBuildList = UpdateServerTest;

TEST_F(ServerBuildList, NewestFirstWithColumnsCutTo15) {
    writeDevice(kSerial,
                "latest=102\ntag=t\nbuild=100;1.9.5\nbuild=101;1.10.0\nbuild=102;2.0.0\n"
                "build=103;garbage\nbuild=1234567890123456789;0.0.1-with-a-long-tail\n"
                "build=100;9.9.9\n");
    startServer();
    auto result = runUpdater({"-B", "-d", kSerial});
    EXPECT_EQ(result.standardOutput,
              kListHeading + row("102", "2.0.0") + row("101", "1.10.0") + row("100", "1.9.5") +
                  "123456789012345\t0.0.1-with-a-lo\n" + row("103", "garbage"));
    EXPECT_EQ(result.standardError, "");
    EXPECT_EQ(result.exitStatus, 0);
}

TEST_F(ServerBuildList, FailuresShowTheErrorThenAnEmptyList) {
    writeStandardDevice();
    startServer();
    const std::string aliveUrl = url;
    server->stop();
    auto unreachable = runUpdater({"-B", "-d", kSerial});
    EXPECT_EQ(unreachable.standardOutput, kVersionLine + "No builds found for device [40F5849A]\n");
    EXPECT_EQ(unreachable.standardError,
              "Server request failed for " + aliveUrl + "\nReason: Couldn't connect to server\n");
    EXPECT_EQ(unreachable.exitStatus, 0);

    startServer({"--fault-op", "builds", "--first-line", "denied"});
    auto refused = runUpdater({"-B", "-d", kSerial});
    EXPECT_EQ(refused.standardOutput, kVersionLine + "No builds found for device [40F5849A]\n");
    EXPECT_EQ(refused.standardError,
              "Failed to retrieve builds for 40F5849A\n"
              "Reason: The server's reply does not begin with \"ok\"\n");
    EXPECT_EQ(refused.exitStatus, 0);

    // No directory is made for a device that was only listed.
    EXPECT_FALSE(testing_support::fileExists(deviceDirectory()));
}

using LocalBuildList = UpdateServerTest;

TEST_F(LocalBuildList, StoredBuildsWithTheVersionsTheirFilesName) {
    writeStandardDevice();
    writeBird(kSerial, "999", "9.9.9", 3);
    startServer();

    auto empty = runUpdater({"-L", "-d", kSerial});
    EXPECT_EQ(empty.standardOutput, kVersionLine + "No builds found for device [40F5849A]\n");
    EXPECT_EQ(empty.exitStatus, 0);

    ASSERT_EQ(runUpdater({"-G", "-d", kSerial}).exitStatus, 0);
    ASSERT_EQ(runUpdater({"-G", "-d", kSerial, "-b", "999", "-OVERRIDE"}).exitStatus, 0);
    // Whatever else lies in the directory is listed by name, without a version.
    testing_support::writeFile(deviceDirectory() + "/notes.txt", "not firmware");
    testing_support::writeFile(deviceDirectory() + "/1200.bird", "bird but not really");

    server->stop();
    auto result = runUpdater({"-L", "-d", kSerial});
    EXPECT_EQ(result.standardOutput, kListHeading + row("999", "9.9.9") + row("1234", "1.2.3") +
                                         row("1200", "") + row("notes.txt", ""));
    EXPECT_EQ(result.standardError, "");
    EXPECT_EQ(result.exitStatus, 0);
}

using DeviceToken = UpdateServerTest;

TEST_F(DeviceToken, PrintsTheTokenOrFailsOnATwoPartToken) {
    writeStandardDevice();
    startServer();
    auto result = runUpdater({"-J", "-d", kSerial});
    EXPECT_EQ(result.standardOutput, kVersionLine + "aa.bb.cc\n");
    EXPECT_EQ(result.standardError, "");
    EXPECT_EQ(result.exitStatus, 0);

    writeDevice(kSerial, "latest=1\ntag=t\ntoken=header.payload\n");
    auto twoParts = runUpdater({"-J", "-d", kSerial});
    EXPECT_EQ(twoParts.standardOutput, kVersionLine + "\n");
    EXPECT_EQ(twoParts.standardError,
              "Failed to retrieve jwt for 40F5849A\nReason: The server's reply holds no token\n");
    EXPECT_EQ(twoParts.exitStatus, 0);

    writeDevice(kSerial, "latest=1\ntag=t\ntoken=aa.bb.cc\n");
    startServer({"--crlf"});
    auto crlf = runUpdater({"-J", "-d", kSerial});
    EXPECT_EQ(crlf.standardOutput, kVersionLine + "aa.bb.cc\n");
    EXPECT_EQ(crlf.exitStatus, 0);
}

}  // namespace
}  // namespace server_e2e
