// -D over USB: every device on the bus read in turn, a device that cannot be opened or read
// shown with its error, and the others read all the same.
#include <future>
#include <thread>

#include "e2e/discovery/discovery_fixture.h"

namespace discovery_e2e {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

const std::string kUsbTable = "Discovered Devices: (USB)\n" + kUsbHeader;

TEST_F(DiscoveryTest, UsbTableShowsEachDeviceAndTheOneHeldElsewhere) {
    startDevices({"--device", "40F5849A", "--usb", "--address", "4", "--model", "17", "--build",
                  "12345", "--name", "Bench A", "--device", "0000BEEF", "--usb", "--usb-busy"});
    const std::string table = kSearching + kUsbTable + errorRow("0000BEEF", 25) +
                              "    40F5849A  04       04      Lintel         2.10.4 (     12345)  "
                              "       Bench A\n";
    // USB is the default; recovery is no way to discover; -D runs before -U, which then does not.
    for (const auto& arguments : std::vector<std::vector<std::string>>{
             {"-D"}, {"-D", "-t", "RECOVER"}, {"-U", "-D", "-t", "USB"}}) {
        expectDiscovery(arguments, table);
    }
    EXPECT_EQ(sim->stats("0000BEEF").at("packets"), 0);
    EXPECT_EQ(sim->upgradeCounts("40F5849A").at("init"), 0) << "-U did not run";
}

TEST_F(DiscoveryTest, EmptyBusOrMissingRouterGivesAnEmptyTable) {
    expectDiscovery({"-D"}, kSearching + "Discovered Devices: (USB)\n    No devices found.\n");
    expectDiscovery({"-D", "-t", "USB", "-r", "0xD272031D"},
                    "Searching for Lynkor Network devices connected to D272031D\n"
                    "Discovered Devices: (USB)\n    No devices found.\n");
}

TEST_F(DiscoveryTest, DevicesThatAnswerLateWronglyOrVanishShowTheirErrors) {
    startDevices({"--device", "00000001", "--usb", "--device", "00000002", "--usb", "--device",
                  "00000003", "--usb", "--device", "00000004", "--usb", "--model", "13",
                  "--version", "2.10.3", "--name", "Old"});
    // The first never answers for its version; the second refuses its name; the third leaves
    // the bus while the first is being read, after discovery saw it.
    sim->fault("00000001", "cmd=3 opt=7 action=drop");
    sim->fault("00000002", "cmd=3 opt=32 action=error:9");

    const auto start = Clock::now();
    auto run = std::async(std::launch::async, [this] { return runUpdater({"-D"}); });
    while (sim->stats("00000001").count("requests_73") == 0 && Clock::now() - start < 20s) {
        std::this_thread::sleep_for(5ms);
    }
    sim->restart("00000003", "down=30000 now");
    const testing_support::ProcessResult result = run.get();

    EXPECT_EQ(result.standardOutput,
              kVersionLine + kSearching + kUsbTable + errorRow("00000001", 18) +
                  errorRow("00000002", 9) + errorRow("00000003", 25) +
                  "    00000004  02       02      Tessel         2.10.3 (      1000)         \n");
    EXPECT_EQ(result.standardError, "");
    EXPECT_EQ(result.exitStatus, 0);
    EXPECT_EQ(sim->stats("00000004").at("uei_gets"), 3) << "no name asked of 2.10.3";
}

}  // namespace
}  // namespace discovery_e2e
