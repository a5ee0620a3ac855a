// A simulator program of this build, started for a benchmark: what it printed before its
// "ready" line, its control socket, and a stop (SIGTERM, then a wait for it) when the object
// goes.
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
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
        if (control_ >= 0) {
            close(control_);
        }
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

    // Runs one request on the simulator's control socket ("control 127.0.0.1:<port>"; the
    // requests are those of sim/device/control_server.h); throws unless it answers "ok".
    void control(const std::string& request) {
        if (control_ < 0) {
            control_ = s_connectTo(std::stoi(value("control 127.0.0.1:")));
        }
        const std::string line = request + "\n";
        ::send(control_, line.data(), line.size(), MSG_NOSIGNAL);
        std::string answer;
        char c = 0;
        while (recv(control_, &c, 1, 0) == 1) {
            answer += c;
            if (answer.ends_with("ok\n")) {
                return;
            }
            if (answer.find("error") != std::string::npos && c == '\n') {
                throw std::runtime_error(answer);
            }
        }
        throw std::runtime_error("control socket closed");
    }

private:
    static int s_connectTo(int port) {
        const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        address.sin_port = htons(static_cast<uint16_t>(port));
        if (connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
            close(fd);
            throw std::runtime_error("connect");
        }
        return fd;
    }

    pid_t pid_ = -1;
    int control_ = -1;
    std::string banner_;
};
