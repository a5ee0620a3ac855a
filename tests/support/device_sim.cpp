#include "support/device_sim.h"

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
            controlPort = endpointPort(first);
        } else {
            endpoints_[kind + " " + first] = second;
        }
    }
    control_ = std::make_unique<ControlClient>(controlPort);
}

DeviceSim::~DeviceSim() {
    control_.reset();
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
    return control_->request(request);
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
