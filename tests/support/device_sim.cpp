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

std::vector<std::string> DeviceSim::command(const std::string& request) {
    std::vector<std::string> answer = control(request);
    if (answer.back() != "ok") {
        throw std::runtime_error("simulator refused \"" + request + "\": " + answer.back());
    }
    answer.pop_back();
    return answer;
}

namespace {

// The value of `name=` in a line of name=value words.
std::string s_field(const std::string& line, const std::string& name) {
    std::istringstream words(line);
    std::string word;
    while (words >> word) {
        if (word.rfind(name + "=", 0) == 0) {
            return word.substr(name.size() + 1);
        }
    }
    throw std::runtime_error("no " + name + " in: " + line);
}

SimBytes s_bytes(const std::vector<std::string>& answer) {
    if (answer.empty()) {
        throw std::runtime_error("the simulator reported no bytes");
    }
    const std::string& line = answer.back();
    SimBytes value;
    value.length = std::stoul(s_field(line, "length"));
    value.digest = static_cast<uint32_t>(std::stoul(s_field(line, "digest"), nullptr, 16));
    const std::string hex = line.substr(line.find("hex=") + 4);
    for (size_t i = 0; i + 1 < hex.size(); i += 2) {
        value.bytes.push_back(static_cast<uint8_t>(std::stoul(hex.substr(i, 2), nullptr, 16)));
    }
    return value;
}

}  // namespace

uint32_t DeviceSim::number(const std::string& serial, const std::string& key) {
    const std::vector<std::string> answer = command("get " + serial + " " + key);
    if (answer.empty() || answer[0].rfind("value ", 0) != 0) {
        throw std::runtime_error("not a number property: " + key);
    }
    return static_cast<uint32_t>(std::stoul(answer[0].substr(6)));
}

SimBytes DeviceSim::bytes(const std::string& serial, const std::string& key) {
    return s_bytes(command("get " + serial + " " + key));
}

SimBytes DeviceSim::slot(const std::string& serial, int store, int slot) {
    return s_bytes(
        command("slot " + serial + " " + std::to_string(store) + " " + std::to_string(slot)));
}

SimBytes DeviceSim::factory(const std::string& serial, int block) {
    return s_bytes(command("factory " + serial + " " + std::to_string(block)));
}

unsigned DeviceSim::fault(const std::string& serial, const std::string& rule) {
    const std::vector<std::string> answer = command("fault " + serial + " " + rule);
    return static_cast<unsigned>(std::stoul(answer.at(0).substr(answer.at(0).find(' ') + 1)));
}

uint32_t DeviceSim::digest(const std::vector<uint8_t>& bytes) {
    uint32_t hash = 2166136261u;
    for (uint8_t byte : bytes) {
        hash = (hash ^ byte) * 16777619u;
    }
    return hash;
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
