// A server that takes the request and then sends nothing must not hang the tool: the transfer
// is aborted once it has moved less than a byte a second for a minute. This program runs alone
// because that minute is real.
#include "e2e/server/update_server_fixture.h"

namespace server_e2e {
namespace {

using StalledDownload = UpdateServerTest;

TEST_F(StalledDownload, IsAbortedAndReportedAfterAMinute) {
    writeStandardDevice();
    startServer({"--fault-op", "bird", "--stall"});
    const auto started = std::chrono::steady_clock::now();
    auto result = runUpdater({"-G", "-d", kSerial, "-X", "0x20"}, std::chrono::seconds(150));
    const auto waited = std::chrono::steady_clock::now() - started;

    EXPECT_FALSE(result.timedOut);
    EXPECT_EQ(result.exitStatus, 1);
    EXPECT_NE(result.standardError.find("GetBuild ==> [Timeout was reached]\n"), std::string::npos);
    EXPECT_NE(result.standardError.find("Download failed\nReason: Timeout was reached\n"
                                        "Failed to retrieve a valid BIRD file\n"),
              std::string::npos);
    EXPECT_GE(waited, std::chrono::seconds(59));
    EXPECT_LE(waited, std::chrono::seconds(90));
    EXPECT_FALSE(testing_support::fileExists(deviceDirectory() + "/1234.bird"));
}

}  // namespace
}  // namespace server_e2e
