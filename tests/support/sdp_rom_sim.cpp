#include "support/sdp_rom_sim.h"

#include <cstdio>
#include <sstream>
#include <stdexcept>

namespace testing_support {

SdpRomSim::SdpRomSim(const std::vector<std::string>& args) {
    std::vector<std::string> argv{programPath("sdp-rom-sim")};
    argv.insert(argv.end(), args.begin(), args.end());
    process_ = std::make_unique<ChildProcess>(argv);
    int controlPort = 0;
    for (std::string line = process_->readLine(); line != "ready"; line = process_->readLine()) {
        if (line.empty()) {
            throw std::runtime_error("sdp-rom-sim did not start");
        }
        std::istringstream words(line);
        std::string kind, value;
        words >> kind >> value;
        if (kind == "control") {
            controlPort = endpointPort(value);
        } else if (kind == "pty") {
            ptyPath_ = value;
        }
    }
    control_ = std::make_unique<ControlClient>(controlPort);
}

SdpRomSim::~SdpRomSim() {
    control_.reset();
    process_->stop();
}

const std::string& SdpRomSim::ptyPath() const {
    if (ptyPath_.empty()) {
        throw std::runtime_error("sdp-rom-sim serves no pseudo-terminal");
    }
    return ptyPath_;
}

std::vector<std::string> SdpRomSim::control(const std::string& request) {
    return control_->request(request);
}

std::vector<std::string> SdpRomSim::history() {
    std::vector<std::string> events;
    for (const std::string& line : control("history")) {
        if (line.rfind("event ", 0) == 0) {
            events.push_back(line.substr(6));
        }
    }
    return events;
}

std::vector<uint8_t> SdpRomSim::memory(uint32_t address, size_t count) {
    char request[64];
    std::snprintf(request, sizeof request, "memory %X %zX", address, count);
    const std::vector<std::string> answer = control(request);
    std::vector<uint8_t> bytes;
    if (answer.size() == 2 && answer[0].rfind("memory ", 0) == 0) {
        const std::string hex = answer[0].substr(7);
        for (size_t i = 0; i + 1 < hex.size(); i += 2) {
            bytes.push_back(static_cast<uint8_t>(std::stoi(hex.substr(i, 2), nullptr, 16)));
        }
    }
    return bytes;
}

std::string SdpRomSim::waitForJump(std::chrono::milliseconds timeout) {
    const std::string line = process_->readLine(timeout);
    return line.rfind("jumped ", 0) == 0 ? line.substr(7) : std::string();
}

}  // namespace testing_support
