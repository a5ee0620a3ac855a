#include "display/cli_display.h"

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <functional>
#include <string>

namespace {

struct Captured {
    std::string standardOutput;
    std::string standardError;
    int exitStatus = -1;
};

// Drains a descriptor until its writers are gone (EOF, or EIO on a pty master) or time runs
// out; a stuck child must not hang the suite.
std::string drain(int fd) {
    std::string text;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (std::chrono::steady_clock::now() < deadline) {
        pollfd pfd{fd, POLLIN, 0};
        if (poll(&pfd, 1, 100) <= 0) {
            continue;
        }
        char buffer[4096];
        const ssize_t n = read(fd, buffer, sizeof buffer);
        if (n <= 0) {
            break;
        }
        text.append(buffer, static_cast<size_t>(n));
    }
    return text;
}

// Runs the display in a child whose standard output is a pseudo-terminal (or a pipe) and whose
// standard error is a pipe, so the test process's own streams are never touched and the busy
// frame counter starts from this process's value.
Captured runInChild(bool terminal, const std::function<void(CLI_Display&)>& body) {
    int outRead = -1;
    int outWrite = -1;
    if (terminal) {
        termios raw{};
        cfmakeraw(&raw);
        EXPECT_EQ(openpty(&outRead, &outWrite, nullptr, &raw, nullptr), 0);
    } else {
        int fds[2];
        EXPECT_EQ(pipe(fds), 0);
        outRead = fds[0];
        outWrite = fds[1];
    }
    int errPipe[2];
    EXPECT_EQ(pipe(errPipe), 0);

    // Whatever the test process has buffered must not come out of the child.
    fflush(stdout);
    fflush(stderr);
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(outWrite, STDOUT_FILENO);
        dup2(errPipe[1], STDERR_FILENO);
        close(outRead);
        close(outWrite);
        close(errPipe[0]);
        close(errPipe[1]);
        CLI_Display display;
        body(display);
        _exit(0);
    }
    close(outWrite);
    close(errPipe[1]);
    Captured captured;
    captured.standardOutput = drain(outRead);
    captured.standardError = drain(errPipe[0]);
    close(outRead);
    close(errPipe[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    captured.exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return captured;
}

const std::string kClear = "\r" + std::string(88, ' ') + "\r";

TEST(CliDisplayOnTerminal, ProgressBarWithoutLabel) {
    const Captured half = runInChild(true, [](CLI_Display& d) { d.showProgress(0.5, nullptr); });
    EXPECT_EQ(half.standardOutput,
              "\r[" + std::string(34, '=') + ">" + std::string(34, ' ') + "] ( 50% ) ");

    const Captured ends = runInChild(true, [](CLI_Display& d) {
        d.setProgressActive(true);
        d.showProgress(0.0, nullptr);
        d.showProgress(68.0 / 69.0 + 1e-9, nullptr);
        d.showProgress(1.0, nullptr);
        d.setProgressActive(false);
    });
    EXPECT_EQ(ends.standardOutput,
              "\r[>" + std::string(68, ' ') + "] (  0% ) " +
                  // At n = 68 the arrow stands right before the closing bracket.
                  "\r[" + std::string(68, '=') + ">] ( 98% ) " +
                  // The full bar pads one space after the arrow: two columns wider.
                  "\r[" + std::string(69, '=') + "> ] (100% ) " + kClear);
}

TEST(CliDisplayOnTerminal, ProgressOutsideTheRangeStaysInsideTheBar) {
    const Captured out = runInChild(true, [](CLI_Display& d) {
        d.showProgress(-0.5, nullptr);
        d.showProgress(7.0, nullptr);
    });
    EXPECT_EQ(out.standardOutput, "\r[>" + std::string(68, ' ') + "] (  0% ) " + "\r[" +
                                      std::string(69, '=') + "> ] (100% ) ");
}

TEST(CliDisplayOnTerminal, ProgressBarWithLabel) {
    const Captured out = runInChild(true, [](CLI_Display& d) {
        d.showProgress(0.5, "Flash");
        d.showProgress(1.0, "Flash");
        d.showProgress(0.5, std::string(70, 'L').c_str());
    });
    // Label length 5 leaves 60 columns: 30 filled at one half, the arrow, 29 blanks.
    EXPECT_EQ(out.standardOutput, "\r (Flash) [" + std::string(30, '=') + ">" +
                                      std::string(29, ' ') + "] ( 50% ) " + "\r (Flash) [" +
                                      std::string(60, '=') + "> ] (100% ) " + "\r (" +
                                      std::string(70, 'L') + ") [>] ( 50% ) ");
}

TEST(CliDisplayOnTerminal, BusyFramesCycleThroughEightAndClear) {
    const Captured out = runInChild(true, [](CLI_Display& d) {
        for (int i = 0; i < 9; ++i) {
            d.showBusy(true, i == 0 ? "Verifying Update" : nullptr);
        }
        d.showBusy(false, "Verifying Update");
    });
    std::string expected = "\r (Verifying Update) .      \r";
    for (const char* frame : {"..", "...", "....", ".....", "....", "...", "..", "."}) {
        expected += std::string("\r ") + frame + "      \r";
    }
    EXPECT_EQ(out.standardOutput, expected + kClear);
}

TEST(CliDisplayOnTerminal, MessagesGoToTheirOwnStreams) {
    const Captured out = runInChild(true, [](CLI_Display& d) {
        d.showInfo("Update time: 1.0000 sec");
        d.showError("Got no response from chip");
    });
    EXPECT_EQ(out.standardOutput, "Update time: 1.0000 sec\n");
    EXPECT_EQ(out.standardError, "Got no response from chip\n");
}

TEST(CliDisplayRedirected, HoldsOnlyMessageLines) {
    const Captured out = runInChild(false, [](CLI_Display& d) {
        d.showInfo("Transferring firmware");
        d.setProgressActive(true);
        for (double f = 0.0; f <= 1.0; f += 0.25) {
            d.showProgress(f, nullptr);
            d.showProgress(f, "Loader");
        }
        d.setProgressActive(false);
        d.showBusy(true, "Verifying Update");
        d.showBusy(false, "Verifying Update");
        d.showInfo("Update time: 2.5000 sec");
        d.showError("Update failed");
    });
    EXPECT_EQ(out.standardOutput, "Transferring firmware\nUpdate time: 2.5000 sec\n");
    EXPECT_EQ(out.standardError, "Update failed\n");
    EXPECT_EQ(out.exitStatus, 0);
}

}  // namespace
