#include "support/device_sim.h"

#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>
#include <utility>

namespace testing_support {

DeviceSim::DeviceSim(const std::vector<std::string>& args) {
    std::vector<std::string> argv{programPath("lynkor-sim")};
    argv.insert(argv.end(), args.begin(), args.end());
    process_ = std::make_unique<ChildProcess>(argv);
    readStartLines([this] { return process_->readLine(); });
}

DeviceSim::DeviceSim(const Started& started) {
    constexpr auto kPollPause = std::chrono::milliseconds(20);
    const auto deadline = std::chrono::steady_clock::now() + started.timeout;
    std::ifstream output;
    std::string partial;
    readStartLines([&]() -> std::string {
        while (std::chrono::steady_clock::now() < deadline) {
            if (!output.is_open()) {
                output.open(started.outputFile);
            }
            std::string piece;
            if (output.is_open() && std::getline(output, piece)) {
                if (!output.eof()) {
                    return std::exchange(partial, {}) + piece;
                }
                partial += piece;  // a line still being written
            }
            output.clear();
            std::this_thread::sleep_for(kPollPause);
        }
        return {};
    });
}

void DeviceSim::readStartLines(const std::function<std::string()>& nextLine) {
    int controlPort = 0;
    while (true) {
        std::string line = nextLine();
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
    if (process_) {
        process_->stop();
    }
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

// Every name=value word of the lines.
std::map<std::string, std::string> s_fields(const std::vector<std::string>& lines) {
    std::map<std::string, std::string> fields;
    for (const std::string& line : lines) {
        std::istringstream words(line);
        std::string word;
        while (words >> word) {
            const auto equals = word.find('=');
            if (equals != std::string::npos) {
                fields[word.substr(0, equals)] = word.substr(equals + 1);
            }
        }
    }
    return fields;
}

std::map<std::string, long> s_numbers(const std::map<std::string, std::string>& fields) {
    std::map<std::string, long> numbers;
    for (const auto& [name, value] : fields) {
        numbers[name] = std::stol(value);
    }
    return numbers;
}

// The lines of an answer that begin with `label` and a space.
std::vector<std::string> s_labelled(const std::vector<std::string>& answer,
                                    const std::string& label) {
    std::vector<std::string> lines;
    for (const std::string& line : answer) {
        if (line.rfind(label + " ", 0) == 0) {
            lines.push_back(line);
        }
    }
    return lines;
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
    return s_numbers(s_fields(command("stats " + serial)));
}

std::map<std::string, std::string> DeviceSim::upgrade(const std::string& serial,
                                                      const std::string& settings) {
    return s_fields(s_labelled(command("upgrade " + serial + " " + settings), "upgrade"));
}

std::map<std::string, long> DeviceSim::upgradeCounts(const std::string& serial) {
    return s_numbers(s_fields(s_labelled(command("upgrade " + serial), "counts")));
}

std::vector<std::string> DeviceSim::upgradeLog(const std::string& serial) {
    return command("upgrade-log " + serial);
}

std::map<std::string, std::string> DeviceSim::restart(const std::string& serial,
                                                      const std::string& words) {
    return s_fields(command("restart " + serial + " " + words));
}

std::map<uint32_t, SimRegion> DeviceSim::image(const std::string& serial,
                                               const std::string& memory) {
    std::map<uint32_t, SimRegion> regions;
    for (const std::string& line : s_labelled(command("image " + serial), memory)) {
        const auto fields = s_fields({line});
        const std::string& address = fields.at("address");
        SimRegion& region = regions[static_cast<uint32_t>(std::stoul(address, nullptr, 16))];
        region.flags = static_cast<uint8_t>(std::stoul(fields.at("flags"), nullptr, 16));
        region.bytes = s_bytes(command("image " + serial + " " + memory + " " + address));
    }
    return regions;
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
