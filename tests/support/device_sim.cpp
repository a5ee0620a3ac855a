#include "support/device_sim.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <sstream>
#include <stdexcept>

namespace testing_support {

DeviceSim::DeviceSim(const std::vector<std::string>& args) {
    std::vector<std::string> argv{programPath("lynkor-sim")};
    argv.insert(argv.end(), args.begin(), args.end());
    process_ = std::make_unique<ChildProcess>(argv);
    int controlPort = 0;
    while (true) {
        std::string line = process_->readLine();
        if (line.empty()) {
            throw std::runtime_error("lynkor-sim did not start");
        }
        if (line == "ready") {
            break;
        }
        std::istringstream words(line);
        std::string kind, first, second;
        words >> kind >> first >> second;
        if (kind == "control") {
            controlPort = std::stoi(first.substr(first.rfind(':') + 1));
        } else {
            endpoints_[kind + " " + first] = second;
        }
    }
    controlFd_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(static_cast<uint16_t>(controlPort));
    if (connect(controlFd_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        close(controlFd_);
        throw std::runtime_error("cannot reach the simulator's control socket");
    }
}

DeviceSim::~DeviceSim() {
    close(controlFd_);
    process_->stop();
}

std::string DeviceSim::endpoint(const std::string& kind, const std::string& serial) const {
    auto found = endpoints_.find(kind + " " + serial);
    if (found == endpoints_.end()) {
        throw std::runtime_error("the simulator serves no " + kind + " " + serial);
    }
    return found->second;
}

int DeviceSim::tcpPort(const std::string& serial) const {
    std::string text = endpoint("tcp", serial);
    return std::stoi(text.substr(text.rfind(':') + 1));
}

std::string DeviceSim::ptyPath(const std::string& serial) const {
    return endpoint("pty", serial);
}

std::vector<std::string> DeviceSim::control(const std::string& request) {
    std::string line = request + "\n";
    if (send(controlFd_, line.data(), line.size(), MSG_NOSIGNAL) !=
        static_cast<ssize_t>(line.size())) {
        throw std::runtime_error("control request not sent");
    }
    std::vector<std::string> answer;
    while (true) {
        auto newline = pending_.find('\n');
        if (newline != std::string::npos) {
            answer.push_back(pending_.substr(0, newline));
            pending_.erase(0, newline + 1);
            if (answer.back() == "ok" || answer.back().rfind("error", 0) == 0) {
                return answer;
            }
            continue;
        }
        pollfd fd{controlFd_, POLLIN, 0};
        char buffer[4096];
        ssize_t n = poll(&fd, 1, 10000) > 0 ? recv(controlFd_, buffer, sizeof buffer, 0) : -1;
        if (n <= 0) {
            throw std::runtime_error("no answer from the simulator to: " + request);
        }
        pending_.append(buffer, static_cast<size_t>(n));
    }
}

std::map<std::string, long> DeviceSim::stats(const std::string& serial) {
    std::map<std::string, long> values;
    for (const std::string& line : control("stats " + serial)) {
        std::istringstream words(line);
        std::string word;
        while (words >> word) {
            auto equals = word.find('=');
            if (equals != std::string::npos) {
                values[word.substr(0, equals)] = std::stol(word.substr(equals + 1));
            }
        }
    }
    return values;
}

std::vector<std::string> DeviceSim::history(const std::string& serial) {
    std::vector<std::string> packets;
    for (const std::string& line : control("history " + serial)) {
        if (line.rfind("rx ", 0) == 0) {
            packets.push_back(line.substr(3));
        }
    }
    return packets;
}

}  // namespace testing_support
