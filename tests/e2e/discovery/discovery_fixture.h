#pragma once

// Runs the real updater's -D against simulated devices: on the emulated USB bus of the test, and
// over TCP in the test's private network, where the network query may be sent.

#include <gtest/gtest.h>

#include <chrono>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

#include "support/device_sim.h"
#include "support/private_network.h"
#include "support/process.h"
#include "support/temp_dir.h"

namespace discovery_e2e {

inline const std::string kVersionLine = "Updater (Version: 2.12.0 Dec  4 2025)\n";
inline const std::string kSearching = "Searching for Lynkor devices\n";
inline const std::string kUsbHeader =
    "    Device    Module   Router  Model          Firmware Version (Build)    Device Name\n";
inline const std::string kAddressHeader =
    "    Device    Module   Router  Model          Firmware Version (Build)   [IP address]       "
    "Device Name\n";

inline std::string errorRow(const std::string& serial, int error) {
    return "    " + serial + "  [Error (" + std::to_string(error) +
           "): Is someone else connected to this device?]\n";
}

// A row of a device on the simulator's loopback address: its columns up to the build, then the
// address and the name.
inline std::string tcpRow(const std::string& start, const std::string& name) {
    return "    " + start + "        [127.0.0.1]        " + name + "\n";
}

// Simulator arguments written a few to a line.
inline std::vector<std::string> joined(std::initializer_list<std::vector<std::string>> parts) {
    std::vector<std::string> all;
    for (const auto& part : parts) {
        all.insert(all.end(), part.begin(), part.end());
    }
    return all;
}

class DiscoveryTest : public ::testing::Test {
protected:
    // Simulated devices on the test's USB bus (and TCP); heartbeats off, as discovery needs none.
    void startDevices(const std::vector<std::string>& devices) {
        std::vector<std::string> args{"--heartbeat-ms", "0", "--usb-dir", bus.path()};
        args.insert(args.end(), devices.begin(), devices.end());
        sim = std::make_unique<testing_support::DeviceSim>(args);
    }

    testing_support::ProcessResult runUpdater(const std::vector<std::string>& arguments) {
        std::vector<std::string> argv{testing_support::programPath("updater")};
        argv.insert(argv.end(), arguments.begin(), arguments.end());
        testing_support::ProcessOptions options;
        options.environment = {"HOME=" + home.path(), "LYNKOR_USB_EMULATION=" + bus.path()};
        options.timeout = std::chrono::seconds(120);
        return testing_support::runProcess(argv, options);
    }

    void expectDiscovery(const std::vector<std::string>& arguments,
                         const std::string& standardOutput) {
        SCOPED_TRACE(testing::PrintToString(arguments));
        const testing_support::ProcessResult result = runUpdater(arguments);
        EXPECT_EQ(result.standardOutput, kVersionLine + standardOutput);
        EXPECT_EQ(result.standardError, "");
        EXPECT_EQ(result.exitStatus, 0);
    }

    testing_support::TempDir home;
    testing_support::TempDir bus;
    std::unique_ptr<testing_support::DeviceSim> sim;
};

}  // namespace discovery_e2e
