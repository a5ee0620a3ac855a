// One lynkor-sim for a benchmark program: started with the given options, stopped at exit; its
// TCP endpoints and its control socket (requests as in sim/device/control_server.h).
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <map>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

class SimulatorProcess {
public:
    explicit SimulatorProcess(const std::vector<std::string>& options) {
        int out[2];
        if (pipe(out) != 0) {
            throw std::runtime_error("pipe");
        }
        pid_ = fork();
        if (pid_ == 0) {
            dup2(out[1], STDOUT_FILENO);
            close(out[0]);
            std::vector<char*> argv{const_cast<char*>("lynkor-sim")};
            for (const std::string& option : options) {
                argv.push_back(const_cast<char*>(option.c_str()));
            }
            argv.push_back(nullptr);
            execv(LYNKOR_BIN_DIR "/lynkor-sim", argv.data());
            _exit(127);
        }
        close(out[1]);
        std::string text;
        char c;
        while (text.find("ready\n") == std::string::npos && read(out[0], &c, 1) == 1) {
            text += c;
        }
        close(out[0]);
        // Lines "<kind> [<serial>] 127.0.0.1:<port>".
        std::istringstream lines(text);
        for (std::string line; std::getline(lines, line);) {
            const auto colon = line.rfind(':');
            const auto space = line.rfind(' ', colon);
            if (colon != std::string::npos && space != std::string::npos) {
                ports_[line.substr(0, space)] = std::stoi(line.substr(colon + 1));
            }
        }
        if (!ports_.contains("control")) {
            throw std::runtime_error("lynkor-sim did not start");
        }
        control_ = connectTo(ports_["control"]);
    }
    ~SimulatorProcess() {
        close(control_);
        kill(pid_, SIGTERM);
        waitpid(pid_, nullptr, 0);
    }
    SimulatorProcess(const SimulatorProcess&) = delete;
    SimulatorProcess& operator=(const SimulatorProcess&) = delete;

    int tcpPort(const std::string& serial) const { return ports_.at("tcp " + serial); }

    // Runs one control request; throws unless it answers "ok".
    void control(const std::string& request) {
        const std::string line = request + "\n";
        send(control_, line.data(), line.size(), MSG_NOSIGNAL);
        std::string answer;
        char c;
        while (recv(control_, &c, 1, 0) == 1) {
            answer += c;
            if (answer.ends_with("ok\n")) {
                return;
            }
            if (answer.find("error") != std::string::npos && answer.back() == '\n') {
                throw std::runtime_error(answer);
            }
        }
        throw std::runtime_error("control socket closed");
    }

    static int connectTo(int port) {
        const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        address.sin_port = htons(static_cast<uint16_t>(port));
        if (connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
            throw std::runtime_error("connect");
        }
        return fd;
    }

private:
    pid_t pid_ = -1;
    std::map<std::string, int> ports_;
    int control_ = -1;
};
