#include <filesystem>
#include <map>
#include <random>

#include "e2e/server/update_server_fixture.h"

namespace server_e2e {
namespace {

using testing_support::readFile;

// Every file of the device's store directory with its contents.
std::map<std::string, std::string> snapshot(const std::string& directory) {
    std::map<std::string, std::string> files;
    for (const auto& entry : std::filesystem::directory_iterator(directory)) {
        files[entry.path().filename().string()] = readFile(entry.path().string());
    }
    return files;
}

std::string randomBytes(size_t size) {
    std::mt19937 random(11);
    std::string bytes(size, '\0');
    for (auto& byte : bytes) {
        byte = static_cast<char>(random());
    }
    return bytes;
}

constexpr const char* kNoValidFile = "Failed to retrieve a valid BIRD file\n";
const std::string kNotOk = "Reason: The server's reply does not begin with \"ok\"\n";

std::string httpStatus(int status) {
    return "Reason: The server answered with HTTP status " + std::to_string(status) + "\n";
}

std::string downloadFailed(const std::string& reason) {
    return "Download failed\n" + reason + kNoValidFile;
}

// A failed download stops with exit status 1 and the message that says why, and leaves the
// store exactly as an earlier good download left it.
class FailedDownload : public UpdateServerTest {
protected:
    void SetUp() override {
        writeStandardDevice();
        startServer();
        ASSERT_EQ(runUpdater({"-G", "-d", kSerial}).exitStatus, 0);
        before = snapshot(deviceDirectory());
        goodUrl = url;
    }

    void expectFailure(const std::vector<std::string>& serverOptions,
                       const std::string& standardError) {
        SCOPED_TRACE(testing::PrintToString(serverOptions));
        startServer(serverOptions);
        auto result = runUpdater({"-G", "-d", kSerial});
        EXPECT_EQ(result.standardError, standardError);
        EXPECT_EQ(result.exitStatus, 1);
        EXPECT_EQ(snapshot(deviceDirectory()), before);
    }

    std::string bodyFile(const std::string& name, const std::string& contents) {
        std::string path = serverRoot.file(name);
        testing_support::writeFile(path, contents);
        return path;
    }

    std::map<std::string, std::string> before;
    std::string goodUrl;
};

TEST_F(FailedDownload, ServerUnreachableOrRefusing) {
    server->stop();
    auto unreachable = runUpdater({"-G", "-d", kSerial});
    EXPECT_EQ(unreachable.standardError,
              "Server request failed for " + goodUrl + "\nReason: Couldn't connect to server\n");
    EXPECT_EQ(unreachable.exitStatus, 1);

    startServer({"--status", "404"});
    auto notFound = runUpdater({"-G", "-d", kSerial});
    EXPECT_EQ(notFound.standardError, "Server request failed for " + url + "\n" + httpStatus(404));
    EXPECT_EQ(notFound.exitStatus, 1);

    expectFailure({"--fault-op", "qu", "--status", "404"},
                  "No build information for device\n" + httpStatus(404));
    expectFailure({"--fault-op", "qu", "--first-line", "error"},
                  "No build information for device\n" + kNotOk);
    expectFailure({"--fault-op", "builds", "--status", "500"},
                  "No valid build 1234\n" + httpStatus(500));
    expectFailure({"--fault-op", "bird", "--status", "404"}, downloadFailed(httpStatus(404)));
    expectFailure({"--fault-op", "bird", "--first-line", "no"}, downloadFailed(kNotOk));
    EXPECT_EQ(snapshot(deviceDirectory()), before);
}

TEST_F(FailedDownload, BirdTextThatIsNotABirdFileIsNeverWritten) {
    expectFailure({"--base64", "invalid"}, kNoValidFile);
    // Cut short at a group boundary: the text decodes, but to part of a bird file.
    expectFailure({"--base64", "truncate"}, kNoValidFile);
    // Lines that end in CR LF leave a carriage return on the Base64 text.
    expectFailure({"--crlf"}, kNoValidFile);
    // Good Base64 of bytes that are no bird file.
    expectFailure({"--fault-op", "bird", "--body-file", bodyFile("hello", "ok\naGVsbG8=\n")},
                  kNoValidFile);
}

TEST_F(FailedDownload, AnyReplyBodyIsHandled) {
    const std::vector<std::pair<std::string, std::string>> bodies = {
        {"", downloadFailed(kNotOk)},
        {"ok", kNoValidFile},
        {"ok\n", kNoValidFile},
        {"ok\n\n\n", kNoValidFile},
        {std::string("ok\n\0\0\0\0", 7), kNoValidFile},
        {"ok" + std::string(100000, 'A'), kNoValidFile},
        {"ok\n" + std::string(400000, 'A'), kNoValidFile},
        {randomBytes(1 << 20), downloadFailed(kNotOk)},
        {"ok\n" + randomBytes(1 << 20), kNoValidFile},
    };
    int index = 0;
    for (const auto& [body, message] : bodies) {
        std::string path = bodyFile("body" + std::to_string(index++), body);
        expectFailure({"--fault-op", "bird", "--body-file", path}, message);
    }
    // Replies to the other requests: the build query and the build list.
    expectFailure({"--fault-op", "qu", "--body-file", bodyFile("q", "ok")},
                  "No valid build 0\nReason: The server does not offer build 0 for this device\n");
    expectFailure({"--fault-op", "qu", "--body-file", bodyFile("r", randomBytes(4096))},
                  "No build information for device\n" + kNotOk);
    expectFailure(
        {"--fault-op", "builds", "--body-file", bodyFile("b", "ok\n" + randomBytes(8192))},
        "No valid build 1234\nReason: The server does not offer build 1234 for this device\n");
    // Beyond any reply the server sends: refused rather than buffered without bound.
    expectFailure({"--fault-op", "bird", "--body-file",
                   bodyFile("huge", "ok\n" + std::string(65 << 20, 'A'))},
                  downloadFailed("Reason: The server's reply is larger than 67108864 bytes\n"));
}

TEST_F(FailedDownload, EveryRequestIsLoggedUnderTheServerCategory) {
    startServer({"--fault-op", "qu", "--status", "404"});
    auto result = runUpdater({"-G", "-d", kSerial, "-X", "0x20"});
    EXPECT_NE(result.standardError.find("GET(" + url + "?op=hi&rv=2&)\n"), std::string::npos);
    EXPECT_NE(result.standardError.find("QueryBuild ==> [404] [ok\n1234\nprod\n]\n"),
              std::string::npos)
        << result.standardError;

    startServer({"--fault-op", "hi", "--first-line", "hello"});
    auto ping = runUpdater({"-G", "-d", kSerial, "-X", "0x20"});
    EXPECT_NE(ping.standardError.find("ServerCommClass: ping failed [" + url + "?op=hi&rv=2&]\n"),
              std::string::npos)
        << ping.standardError;
}

}  // namespace
}  // namespace server_e2e
