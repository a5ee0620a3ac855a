#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "support/control_client.h"
#include "support/process.h"

namespace testing_support {

// A byte value the simulator holds (a byte-array property, a store slot, a factory block), as
// its control socket reports it.
struct SimBytes {
    size_t length = 0;
    uint32_t digest = 0;
    std::vector<uint8_t> bytes;
};

// A running lynkor-sim and its control socket. The simulator stops when this is destroyed.
// The command line options are in lynkor-sim's usage text (sim/device/options.cpp, printed on a
// wrong command line), the control requests in sim/device/control_server.h; the helpers below
// wrap the requests tests use most. RawHost (support/raw_host.h) talks to the devices.
class DeviceSim {
public:
    // Arguments after the program name, e.g. {"--device", "1234ABCD", "--tcp"}.
    explicit DeviceSim(const std::vector<std::string>& args);
    ~DeviceSim();
    DeviceSim(const DeviceSim&) = delete;
    DeviceSim& operator=(const DeviceSim&) = delete;

    // The TCP port or pty path printed for a device ("tcp", "pty", "usb"); throws when missing.
    int tcpPort(const std::string& serial) const;
    std::string ptyPath(const std::string& serial) const;
    std::string endpoint(const std::string& kind, const std::string& serial) const;

    // Sends one control request; returns the answer lines, "ok" or "error ..." last.
    std::vector<std::string> control(const std::string& request);
    // Sends one control request that must succeed; returns the lines before "ok", or throws
    // std::runtime_error with the simulator's error.
    std::vector<std::string> command(const std::string& request);

    // Counters of a device, by name ("queries", "uei_gets", "requests_3", "i2c_probes_6" ...).
    std::map<std::string, long> stats(const std::string& serial);
    // Wire bytes of the packets a device received, as upper-case hex, oldest first.
    std::vector<std::string> history(const std::string& serial);

    // A number property, e.g. number("1234ABCD", "3 20 0") for the last route-to-me value.
    uint32_t number(const std::string& serial, const std::string& key);
    // A byte-array property ("3 32 0"), a store slot, a factory block.
    SimBytes bytes(const std::string& serial, const std::string& key);
    SimBytes slot(const std::string& serial, int store, int slot);
    SimBytes factory(const std::string& serial, int block);
    // Adds a fault rule ("cmd=3 opt=9 action=drop times=2") and returns its id.
    unsigned fault(const std::string& serial, const std::string& rule);

    // The digest the simulator reports for bytes.
    static uint32_t digest(const std::vector<uint8_t>& bytes);

    ChildProcess& process() { return *process_; }

private:
    std::unique_ptr<ChildProcess> process_;
    std::map<std::string, std::string> endpoints_;  // "tcp 1234ABCD" -> "127.0.0.1:4000"
    std::unique_ptr<ControlClient> control_;
};

}  // namespace testing_support
