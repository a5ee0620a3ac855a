// -N: the chip's fingerprint through its serial boot loader, at the rate chosen for -o.
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>

#include "e2e/recovery/recovery_fixture.h"

namespace recovery_e2e {
namespace {

using Clock = std::chrono::steady_clock;
using server_e2e::kVersionLine;

// A chip that does not answer right must be given up well within this.
constexpr auto kGiveUpBound = std::chrono::seconds(15);
// No serial boot loader answered, so the i.MX path looks for its liveloader, which this server
// does not have. The failed download leaves the liveloader's store entry behind, which each
// run below removes so that it starts from a new store.
const std::string kNoLiveloader =
    "No build information for device\n"
    "Reason: The server's reply does not begin with \"ok\"\n";

class Fingerprint : public RecoveryTest {
protected:
    testing_support::ProcessResult runFresh(const std::vector<std::string>& arguments) {
        auto result = runUpdater(arguments);
        std::filesystem::remove_all(deviceDirectory("DEADDEAD"));
        return result;
    }
};

TEST_F(Fingerprint, IsReadAtTheRateChosenForTheRequest) {
    startServer();
    const struct {
        std::vector<std::string> rateArguments;
        std::string rate;
    } cases[] = {
        {{}, "115200"},
        {{"-o", "2400"}, "2400"},
        {{"-o", "1200"}, "2400"},
        {{"-o", "2401"}, "4800"},
        {{"-o", "57600"}, "57600"},
        {{"-o", "100000"}, "115200"},
        {{"-o", "230400"}, "230400"},
        {{"-o", "300000"}, "9600"},
    };
    for (const auto& c : cases) {
        // Each character takes its time on the line, so the waits for the fixed answers are
        // checked against the rate.
        IspSim chip({"--pace"});
        std::vector<std::string> arguments{"-N", "-s", chip.ptyPath()};
        arguments.insert(arguments.end(), c.rateArguments.begin(), c.rateArguments.end());
        auto result = runUpdater(arguments);
        EXPECT_EQ(result.standardOutput, kVersionLine + kFingerprintLine) << c.rate;
        EXPECT_EQ(result.standardError, "") << c.rate;
        EXPECT_EQ(result.exitStatus, 0) << c.rate;
        EXPECT_EQ(chip.captured(), "?Synchronized\r\n14746\r\nN\r\n") << c.rate;
        EXPECT_EQ(chip.record(),
                  (std::vector<std::string>{"sync " + c.rate, "crystal 14746", "command N => 0"}))
            << c.rate;
    }
}

TEST_F(Fingerprint, ChipsThatDoNotAnswerRightGiveNoFingerprint) {
    startServer();
    const struct {
        const char* name;
        std::vector<std::string> chip;
    } cases[] = {
        {"silent", {"--silent"}},
        {"wrong sync text", {"--sync-text", "Synchronised"}},
        {"babble", {"--babble"}},
        {"bad echo", {"--bad-echo"}},
        {"failed identification", {"--code", "N=1"}},
        {"unknown return code", {"--code", "N=25"}},
        {"code ending in 0", {"--code", "N=10"}},
    };
    for (const auto& c : cases) {
        IspSim chip(c.chip);
        const auto start = Clock::now();
        auto result = runFresh({"-N", "-s", chip.ptyPath()});
        EXPECT_LT(Clock::now() - start, kGiveUpBound) << c.name;
        EXPECT_EQ(result.standardOutput, kVersionLine) << c.name;
        EXPECT_EQ(result.standardError, kNoLiveloader + "Got no response from chip\n") << c.name;
        EXPECT_EQ(result.exitStatus, 1) << c.name;
    }
}

TEST_F(Fingerprint, PortsThatCannotBeUsedAreNamed) {
    startServer();
    // Only "USB" exactly names the i.MX boot ROM on HID; other names are serial ports.
    for (const std::string port : {"/dev/no-such-serial-port", "usb", "USB0"}) {
        auto missing = runFresh({"-N", "-s", port});
        EXPECT_EQ(missing.standardError, "Error Creating Serial [" + port + "] ==> aErrIO\n" +
                                             kNoLiveloader + "Got no response from chip\n")
            << port;
        EXPECT_EQ(missing.exitStatus, 1) << port;
    }

    // Another process holds the line.
    IspSim chip;
    const int held = open(chip.ptyPath().c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    ASSERT_GE(held, 0);
    ASSERT_EQ(flock(held, LOCK_EX | LOCK_NB), 0);
    auto busy = runFresh({"-N", "-s", chip.ptyPath()});
    close(held);
    EXPECT_EQ(busy.standardError, "Error Creating Serial [" + chip.ptyPath() + "] ==> aErrIO\n" +
                                      kNoLiveloader + "Got no response from chip\n");
    EXPECT_EQ(busy.exitStatus, 1);
    EXPECT_EQ(chip.captured(), "");

    auto noPort = runUpdater({"-N"});
    EXPECT_EQ(noPort.standardError, "Must specify the serial port used for connecting\n");
    EXPECT_EQ(noPort.exitStatus, 1);
}

}  // namespace
}  // namespace recovery_e2e
