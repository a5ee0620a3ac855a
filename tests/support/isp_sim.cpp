#include "support/isp_sim.h"

#include <sstream>
#include <stdexcept>

namespace testing_support {

IspSim::IspSim(const std::vector<std::string>& args) {
    std::vector<std::string> argv{programPath("lynkor-isp-sim"),
                                  "--record",
                                  folder_.file("record"),
                                  "--capture",
                                  folder_.file("capture"),
                                  "--flash-dump",
                                  folder_.file("flash"),
                                  "--ram-dump",
                                  folder_.file("ram")};
    argv.insert(argv.end(), args.begin(), args.end());
    process_ = std::make_unique<ChildProcess>(argv);
    for (std::string line; (line = process_->readLine()) != "ready";) {
        if (line.empty()) {
            throw std::runtime_error("lynkor-isp-sim did not start");
        }
        if (line.rfind("pty ", 0) == 0) {
            ptyPath_ = line.substr(4);
        }
    }
}

IspSim::~IspSim() {
    stop();
}

void IspSim::stop() {
    if (!stopped_) {
        process_->stop();
        stopped_ = true;
    }
}

std::vector<std::string> IspSim::record() const {
    std::istringstream in(readFile(folder_.file("record")));
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    return lines;
}

std::vector<std::string> IspSim::commands() const {
    std::vector<std::string> lines;
    for (const std::string& line : record()) {
        if (line.rfind("command ", 0) == 0) {
            lines.push_back(line);
        }
    }
    return lines;
}

std::string IspSim::captured() const {
    return readFile(folder_.file("capture"));
}

std::vector<uint8_t> IspSim::flash() {
    stop();
    const std::string bytes = readFile(folder_.file("flash"));
    return std::vector<uint8_t>(bytes.begin(), bytes.end());
}

std::vector<uint8_t> IspSim::ram() {
    stop();
    const std::string bytes = readFile(folder_.file("ram"));
    return std::vector<uint8_t>(bytes.begin(), bytes.end());
}

}  // namespace testing_support
