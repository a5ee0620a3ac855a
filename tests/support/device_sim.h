#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
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

// A memory region a simulated device's upgrade protocol wrote: the flags its PREPARE carried and
// the bytes written since.
struct SimRegion {
    uint8_t flags = 0;
    SimBytes bytes;
};

// A running lynkor-sim and its control socket. The simulator stops when this is destroyed.
// The command line options are in lynkor-sim's usage text (sim/device/options.cpp, printed on a
// wrong command line), the control requests in sim/device/control_server.h; the helpers below
// wrap the requests tests use most. RawHost (support/raw_host.h) talks to the devices.
class DeviceSim {
public:
    // Arguments after the program name, e.g. {"--device", "1234ABCD", "--tcp"}.
    explicit DeviceSim(const std::vector<std::string>& args);
    // A lynkor-sim that another program started (as a simulated boot ROM starts the program it
    // jumped to) with its standard output going to a file.
    struct Started {
        std::string outputFile;
        // How long to wait for its "ready" line before throwing.
        std::chrono::milliseconds timeout;
    };
    // Its starter stops it, not this object.
    explicit DeviceSim(const Started& started);
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

    // The upgrade protocol and restarts (control_server.h has the names and values):
    // "upgrade" with these settings ("load=placeholder block=64"; none to only read them);
    // returns the settings as they are then ("mode" -> "loader", "block" -> "64", ...).
    std::map<std::string, std::string> upgrade(const std::string& serial,
                                               const std::string& settings = "");
    // The upgrade counts: "init", "data", "load", "prepare", "sum", "write", "reboot", "uei",
    // "malformed", "taken".
    std::map<std::string, long> upgradeCounts(const std::string& serial);
    // The upgrade requests as they arrived ("prepare flags=0x00 address=0x00010000", "data 26",
    // "sum", "write 64", ...), oldest first.
    std::vector<std::string> upgradeLog(const std::string& serial);
    // "restart" with these words ("down=100 close=rst", "now"); returns its fields ("state",
    // "serial", "down", "close", "restarts").
    std::map<std::string, std::string> restart(const std::string& serial,
                                               const std::string& words = "");
    // What the device wrote into "flash" or "ram", by load address.
    std::map<uint32_t, SimRegion> image(const std::string& serial, const std::string& memory);

    // The digest the simulator reports for bytes.
    static uint32_t digest(const std::vector<uint8_t>& bytes);

    // The simulator's process; only for one this object started.
    ChildProcess& process() { return *process_; }

private:
    // Reads the start lines up to "ready" from `nextLine` (empty: nothing more will come).
    void readStartLines(const std::function<std::string()>& nextLine);

    std::unique_ptr<ChildProcess> process_;
    std::map<std::string, std::string> endpoints_;  // "tcp 1234ABCD" -> "127.0.0.1:4000"
    std::unique_ptr<ControlClient> control_;
};

}  // namespace testing_support
