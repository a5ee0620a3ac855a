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
