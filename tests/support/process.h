#pragma once

#include <sys/types.h>

#include <chrono>
#include <string>
#include <vector>

namespace testing_support {

// Full path of a program built by this project (updater, simulators).
std::string programPath(const std::string& name);

struct ProcessOptions {
    std::vector<std::string> environment;  // "NAME=value" entries added to (or replacing) ours
    std::string standardInput;
    std::chrono::milliseconds timeout{60000};
};

struct ProcessResult {
    int exitStatus = -1;  // -1 when killed by a signal or the time-out
    std::string standardOutput;
    std::string standardError;
    bool timedOut = false;
};

// Runs a program to its end, capturing both output streams.
ProcessResult runProcess(const std::vector<std::string>& argv, const ProcessOptions& options = {});

// A program that runs beside the test (a simulator, a server); killed and reaped on destruction.
class ChildProcess {
public:
    explicit ChildProcess(const std::vector<std::string>& argv,
                          const std::vector<std::string>& environment = {});
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // Reads one line of the child's standard output (without its newline); empty on time-out
    // or end of output.
    std::string readLine(std::chrono::milliseconds timeout = std::chrono::seconds(10));
    pid_t pid() const { return pid_; }
    // Sends SIGTERM and waits (killing it after a grace time); returns the exit status, or -1
    // when it died of a signal.
    int stop();

private:
    pid_t pid_ = -1;
    int stdoutFd_ = -1;
    std::string pending_;
};

}  // namespace testing_support
