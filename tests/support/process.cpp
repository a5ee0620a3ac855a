#include "support/process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <map>
#include <stdexcept>
#include <thread>

extern char** environ;

namespace testing_support {
namespace {

using Clock = std::chrono::steady_clock;

std::vector<std::string> mergedEnvironment(const std::vector<std::string>& extra) {
    std::map<std::string, std::string> entries;
    for (char** entry = environ; *entry != nullptr; ++entry) {
        std::string text(*entry);
        entries[text.substr(0, text.find('='))] = text;
    }
    for (const auto& text : extra) {
        entries[text.substr(0, text.find('='))] = text;
    }
    std::vector<std::string> merged;
    for (auto& [name, text] : entries) {
        merged.push_back(text);
    }
    return merged;
}

std::vector<char*> pointers(std::vector<std::string>& strings) {
    std::vector<char*> result;
    for (auto& s : strings) {
        result.push_back(s.data());
    }
    result.push_back(nullptr);
    return result;
}

// Forks and execs; the child's standard streams go to the given descriptors (-1: /dev/null).
pid_t spawn(const std::vector<std::string>& argv, const std::vector<std::string>& environment,
            int inFd, int outFd, int errFd) {
    std::vector<std::string> args = argv;
    std::vector<std::string> env = mergedEnvironment(environment);
    std::vector<char*> argPointers = pointers(args);
    std::vector<char*> envPointers = pointers(env);
    pid_t pid = fork();
    if (pid < 0) {
        throw std::runtime_error("fork failed");
    }
    if (pid == 0) {
        int devNull = open("/dev/null", O_RDWR);
        dup2(inFd >= 0 ? inFd : devNull, STDIN_FILENO);
        dup2(outFd >= 0 ? outFd : devNull, STDOUT_FILENO);
        dup2(errFd >= 0 ? errFd : devNull, STDERR_FILENO);
        for (int fd = 3; fd < 1024; ++fd) {
            close(fd);
        }
        execve(argPointers[0], argPointers.data(), envPointers.data());
        _exit(127);
    }
    return pid;
}

int statusOf(int waitStatus) {
    return WIFEXITED(waitStatus) ? WEXITSTATUS(waitStatus) : -1;
}

// Waits for the child to end, killing it once the deadline has passed; false when it had to be
// killed. A child that closed its output streams may still run, so no wait is left unbounded.
bool reapBy(pid_t pid, Clock::time_point deadline, int& waitStatus) {
    while (waitpid(pid, &waitStatus, WNOHANG) == 0) {
        if (Clock::now() >= deadline) {
            kill(pid, SIGKILL);
            waitpid(pid, &waitStatus, 0);
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}

}  // namespace

std::string programPath(const std::string& name) {
    return std::string(LYNKOR_BIN_DIR) + "/" + name;
}

ProcessResult runProcess(const std::vector<std::string>& argv, const ProcessOptions& options) {
    int inPipe[2], outPipe[2], errPipe[2];
    if (pipe2(inPipe, O_CLOEXEC) != 0 || pipe2(outPipe, O_CLOEXEC) != 0 ||
        pipe2(errPipe, O_CLOEXEC) != 0) {
        throw std::runtime_error("pipe failed");
    }
    pid_t pid = spawn(argv, options.environment, inPipe[0], outPipe[1], errPipe[1]);
    close(inPipe[0]);
    close(outPipe[1]);
    close(errPipe[1]);

    // Feed standard input in one go; a child that does not read it just sees the pipe close.
    signal(SIGPIPE, SIG_IGN);
    size_t written = 0;
    while (written < options.standardInput.size()) {
        ssize_t n = write(inPipe[1], options.standardInput.data() + written,
                          options.standardInput.size() - written);
        if (n <= 0) {
            break;
        }
        written += static_cast<size_t>(n);
    }
    close(inPipe[1]);

    ProcessResult result;
    const auto deadline = Clock::now() + options.timeout;
    pollfd fds[2] = {{outPipe[0], POLLIN, 0}, {errPipe[0], POLLIN, 0}};
    std::string* sinks[2] = {&result.standardOutput, &result.standardError};
    int open = 2;
    while (open > 0) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0) {
            result.timedOut = true;
            kill(pid, SIGKILL);
            break;
        }
        if (poll(fds, 2, static_cast<int>(left.count())) < 0) {
            continue;
        }
        for (int i = 0; i < 2; ++i) {
            if (fds[i].fd >= 0 && (fds[i].revents & (POLLIN | POLLHUP | POLLERR))) {
                char buffer[4096];
                ssize_t n = read(fds[i].fd, buffer, sizeof buffer);
                if (n > 0) {
                    sinks[i]->append(buffer, static_cast<size_t>(n));
                } else {
                    close(fds[i].fd);
                    fds[i].fd = -1;
                    --open;
                }
            }
        }
    }
    for (auto& fd : fds) {
        if (fd.fd >= 0) {
            close(fd.fd);
        }
    }
    int waitStatus = 0;
    if (!reapBy(pid, deadline, waitStatus)) {
        result.timedOut = true;
    }
    result.exitStatus = result.timedOut ? -1 : statusOf(waitStatus);
    return result;
}

ChildProcess::ChildProcess(const std::vector<std::string>& argv,
                           const std::vector<std::string>& environment) {
    int outPipe[2];
    if (pipe2(outPipe, O_CLOEXEC) != 0) {
        throw std::runtime_error("pipe failed");
    }
    pid_ = spawn(argv, environment, -1, outPipe[1], STDERR_FILENO);
    close(outPipe[1]);
    stdoutFd_ = outPipe[0];
}

ChildProcess::~ChildProcess() {
    if (pid_ > 0) {
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
    }
    if (stdoutFd_ >= 0) {
        close(stdoutFd_);
    }
}

std::string ChildProcess::readLine(std::chrono::milliseconds timeout) {
    const auto deadline = Clock::now() + timeout;
    while (true) {
        auto newline = pending_.find('\n');
        if (newline != std::string::npos) {
            std::string line = pending_.substr(0, newline);
            pending_.erase(0, newline + 1);
            return line;
        }
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0 || stdoutFd_ < 0) {
            return {};
        }
        pollfd fd{stdoutFd_, POLLIN, 0};
        if (poll(&fd, 1, static_cast<int>(left.count())) <= 0) {
            continue;
        }
        char buffer[1024];
        ssize_t n = read(stdoutFd_, buffer, sizeof buffer);
        if (n <= 0) {
            return {};
        }
        pending_.append(buffer, static_cast<size_t>(n));
    }
}

int ChildProcess::stop() {
    if (pid_ <= 0) {
        return -1;
    }
    kill(pid_, SIGTERM);
    // A child that ignores the request must not hang the test: it is killed after a grace time.
    constexpr auto kGraceTime = std::chrono::seconds(5);
    int waitStatus = 0;
    reapBy(pid_, Clock::now() + kGraceTime, waitStatus);
    pid_ = -1;
    return statusOf(waitStatus);
}

}  // namespace testing_support
