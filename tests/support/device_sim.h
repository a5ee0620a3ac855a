#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "support/control_client.h"
#include "support/process.h"

namespace testing_support {

// A running lynkor-sim and its control socket. The simulator stops when this is destroyed.
class DeviceSim {
public:
    // Arguments after the program name, e.g. {"--device", "1234ABCD", "--tcp"}.
    explicit DeviceSim(const std::vector<std::string>& args);
    ~DeviceSim();
    DeviceSim(const DeviceSim&) = delete;
    DeviceSim& operator=(const DeviceSim&) = delete;

    // The TCP port or pty path printed for a device ("tcp", "pty"); throws when missing.
    int tcpPort(const std::string& serial) const;
    std::string ptyPath(const std::string& serial) const;
    std::string endpoint(const std::string& kind, const std::string& serial) const;

    // Sends one control request; returns the answer lines, "ok" or "error ..." last.
    std::vector<std::string> control(const std::string& request);
    // Counters of a device, by name ("queries", "route_off", "heartbeat_answers" ...).
    std::map<std::string, long> stats(const std::string& serial);
    // Wire bytes of the packets a device received, as upper-case hex, oldest first.
    std::vector<std::string> history(const std::string& serial);

    ChildProcess& process() { return *process_; }

private:
    std::unique_ptr<ChildProcess> process_;
    std::map<std::string, std::string> endpoints_;  // "tcp 1234ABCD" -> "127.0.0.1:4000"
    std::unique_ptr<ControlClient> control_;
};

}  // namespace testing_support
