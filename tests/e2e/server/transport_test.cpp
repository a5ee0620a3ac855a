#include <poll.h>
#include <pty.h>
#include <sys/wait.h>
#include <unistd.h>

#include <regex>

#include "e2e/server/update_server_fixture.h"

namespace server_e2e {
namespace {

struct TerminalRun {
    std::string output;
    int exitStatus = -1;
};

// Runs a program with a pseudo-terminal as its standard streams, so that it draws what it
// draws only for a user watching.
TerminalRun runOnTerminal(const std::vector<std::string>& argv, const std::string& home,
                          std::chrono::seconds timeout) {
    std::vector<std::string> args = argv;
    std::vector<char*> pointers;
    for (auto& arg : args) {
        pointers.push_back(arg.data());
    }
    pointers.push_back(nullptr);
    int master = -1;
    pid_t pid = forkpty(&master, nullptr, nullptr, nullptr);
    if (pid == 0) {
        setenv("HOME", home.c_str(), 1);
        execv(pointers[0], pointers.data());
        _exit(127);
    }
    TerminalRun run;
    if (pid < 0) {
        return run;
    }
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (std::chrono::steady_clock::now() < deadline) {
        pollfd fd{master, POLLIN, 0};
        if (poll(&fd, 1, 100) <= 0) {
            continue;
        }
        char buffer[4096];
        ssize_t n = read(master, buffer, sizeof buffer);
        if (n <= 0) {
            break;  // EIO once the program has closed the terminal
        }
        run.output.append(buffer, static_cast<size_t>(n));
    }
    kill(pid, SIGKILL);
    int status = 0;
    waitpid(pid, &status, 0);
    close(master);
    run.exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

using Transport = UpdateServerTest;

TEST_F(Transport, BusyAnimationAdvancesWhileASlowDownloadRuns) {
    auto served = writeStandardDevice();
    // About 3 s of download: 96 bytes of reply every 100 ms.
    startServer({"--fault-op", "bird", "--slow-ms", "100", "--chunk-bytes", "96"});
    auto run =
        runOnTerminal({testing_support::programPath("updater"), "-G", "-d", kSerial, "-u", url},
                      home.path(), std::chrono::seconds(30));
    EXPECT_EQ(run.exitStatus, 0) << run.output;
    EXPECT_EQ(testing_support::readFile(deviceDirectory() + "/1234.bird"),
              std::string(served.begin(), served.end()));

    // Frames ".", "..", "...", "....", ".....", "....", "...", "..", then round again.
    const std::regex frame("\r \\(Downloading\\) (\\.+)      \r");
    std::vector<size_t> dots;
    for (auto it = std::sregex_iterator(run.output.begin(), run.output.end(), frame);
         it != std::sregex_iterator(); ++it) {
        dots.push_back((*it)[1].length());
    }
    const size_t expectedFrames[] = {1, 2, 3, 4, 5, 4, 3, 2};
    // About 30 slices of 100 ms; a loaded machine may stretch a few of them.
    ASSERT_GE(dots.size(), 10u) << run.output;
    for (size_t i = 0; i < dots.size(); ++i) {
        EXPECT_EQ(dots[i], expectedFrames[i % 8]) << "frame " << i;
    }
    // The last frame is wiped once the download is in.
    const size_t lastFrame = run.output.rfind("(Downloading)");
    EXPECT_NE(run.output.find("\r" + std::string(88, ' ') + "\r", lastFrame), std::string::npos);
}

TEST_F(Transport, HttpsServerWithASelfSignedCertificateIsRefused) {
    writeStandardDevice();
    const std::string key = serverRoot.file("key.pem");
    const std::string certificate = serverRoot.file("cert.pem");
    auto made = testing_support::runProcess({"/usr/bin/openssl", "req", "-x509", "-newkey",
                                             "rsa:2048", "-nodes", "-keyout", key, "-out",
                                             certificate, "-days", "1", "-subj", "/CN=127.0.0.1",
                                             "-addext", "subjectAltName=IP:127.0.0.1"});
    ASSERT_EQ(made.exitStatus, 0) << made.standardError;
    startServer({"--cert", certificate, "--key", key}, "https");

    auto result = runUpdater({"-G", "-d", kSerial, "-X", "0x20"});
    EXPECT_EQ(result.exitStatus, 1);
    EXPECT_NE(result.standardError.find("Server request failed for " + url + "\n"),
              std::string::npos);
    // Refused for the certificate, not for want of a server: the handshake failed on it.
    EXPECT_NE(result.standardError.find("ping ==> [SSL peer certificate or SSH remote key was "
                                        "not OK]"),
              std::string::npos)
        << result.standardError;
    EXPECT_TRUE(requests().empty());
    EXPECT_FALSE(testing_support::fileExists(deviceDirectory()));
}

}  // namespace
}  // namespace server_e2e
