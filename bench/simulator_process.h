// A simulator program of this build, started for a benchmark: what it printed before its
// "ready" line, and a stop (SIGTERM, then a wait for it) when the object goes.
#pragma once

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <stdexcept>
#include <string>
#include <vector>

class SimulatorProcess {
public:
    // `program` is the name of a program in the build's bin folder.
    SimulatorProcess(const std::string& program, std::vector<std::string> arguments) {
        const std::string path = std::string(LYNKOR_BIN_DIR) + "/" + program;
        arguments.insert(arguments.begin(), program);
        std::vector<char*> argv;
        for (std::string& argument : arguments) {
            argv.push_back(argument.data());
        }
        argv.push_back(nullptr);
        int out[2];
        if (pipe(out) != 0) {
            throw std::runtime_error("pipe");
        }
        pid_ = fork();
        if (pid_ == 0) {
            dup2(out[1], STDOUT_FILENO);
            close(out[0]);
            execv(path.c_str(), argv.data());
            _exit(127);
        }
        close(out[1]);
        char c = 0;
        while (banner_.find("ready\n") == std::string::npos && read(out[0], &c, 1) == 1) {
            banner_ += c;
        }
        close(out[0]);
        if (banner_.find("ready\n") == std::string::npos) {
            throw std::runtime_error(program + " did not start");
        }
    }
    ~SimulatorProcess() {
        kill(pid_, SIGTERM);
        waitpid(pid_, nullptr, 0);
    }
    SimulatorProcess(const SimulatorProcess&) = delete;
    SimulatorProcess& operator=(const SimulatorProcess&) = delete;

    // The value printed after `key` on its own line, e.g. "pty " gives the path of "pty <path>".
    std::string value(const std::string& key) const {
        const auto at = banner_.find(key);
        if (at == std::string::npos) {
            throw std::runtime_error("no \"" + key + "\" in what the simulator printed");
        }
        return banner_.substr(at + key.size(), banner_.find('\n', at) - at - key.size());
    }

private:
    pid_t pid_ = -1;
    std::string banner_;
};
