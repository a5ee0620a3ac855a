// A lynkor-sim started for a benchmark run and stopped at its end.
#pragma once

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <cstring>
#include <stdexcept>
#include <string>
#include <vector>

class SimulatorProcess {
public:
    // Arguments after the program name, e.g. {"--device", "40F5849A", "--address", "4"}.
    explicit SimulatorProcess(const std::vector<std::string>& arguments) {
        std::vector<std::string> argv{"lynkor-sim"};
        argv.insert(argv.end(), arguments.begin(), arguments.end());
        std::vector<char*> pointers;
        for (std::string& argument : argv) {
            pointers.push_back(argument.data());
        }
        pointers.push_back(nullptr);
        int out[2];
        if (pipe(out) != 0) {
            throw std::runtime_error("pipe");
        }
        pid_ = fork();
        if (pid_ == 0) {
            dup2(out[1], STDOUT_FILENO);
            close(out[0]);
            execv(LYNKOR_BIN_DIR "/lynkor-sim", pointers.data());
            _exit(127);
        }
        close(out[1]);
        char c;
        while (output_.find("ready\n") == std::string::npos && read(out[0], &c, 1) == 1) {
            output_ += c;
        }
        close(out[0]);
    }
    ~SimulatorProcess() {
        kill(pid_, SIGTERM);
        waitpid(pid_, nullptr, 0);
    }
    SimulatorProcess(const SimulatorProcess&) = delete;
    SimulatorProcess& operator=(const SimulatorProcess&) = delete;

    // The loopback TCP port of the device with this serial number, as lynkor-sim printed it.
    uint32_t tcpPort(const std::string& serial) const {
        const std::string prefix = "tcp " + serial + " 127.0.0.1:";
        const auto at = output_.find(prefix);
        if (at == std::string::npos) {
            throw std::runtime_error("lynkor-sim did not start");
        }
        return static_cast<uint32_t>(std::stoi(output_.substr(at + prefix.size())));
    }

private:
    pid_t pid_ = -1;
    std::string output_;
};
