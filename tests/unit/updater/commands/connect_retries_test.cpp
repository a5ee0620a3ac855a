// Reaching a device that is coming up: how many attempts, the diagnostics between them, and what
// counts as connected, against a simulated device on the emulated USB bus.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "commands/connect_retries.h"
#include "commands/updater_link_config.h"
#include "support/device_sim.h"
#include "support/emulated_usb_bus.h"
#include "unit/updater/log_capture.h"

namespace {

using Norvane::Lynkor::Module;

constexpr uint32_t kSerialNumber = 0x40F5849A;
constexpr char kRefreshLine[] = "Failed enumeration after 3 tries, refreshing libusb context.\n";
// The attempts as the commands make them, without their pauses.
constexpr ConnectRetries kNoPause{15, 0};

// What one attempt does, by its number (from 1).
enum class Outcome {
    NotFound,            // the device is not there yet
    ConnectsButFails,    // the link comes up, but the attempt reports an error
    SaysYesUnconnected,  // the attempt reports success without a link
    Connects,
};

struct RetryCase {
    const char* name;
    Outcome before;  // what the attempts before `turn` do
    int turn;        // from this attempt on, `after` (0: never)
    Outcome after;
    bool connected;
    int attempts;
    int refreshLines;
};

size_t s_count(const std::string& text, const std::string& line) {
    size_t count = 0;
    for (size_t at = text.find(line); at != std::string::npos; at = text.find(line, at + 1)) {
        ++count;
    }
    return count;
}

TEST(ConnectRetries, AttemptsDiagnosticsAndTheConnectionThatCounts) {
    const std::vector<RetryCase> cases = {
        {"first attempt", Outcome::Connects, 1, Outcome::Connects, true, 1, 0},
        {"after two misses", Outcome::NotFound, 3, Outcome::Connects, true, 3, 1},
        {"on the last attempt", Outcome::NotFound, 15, Outcome::Connects, true, 15, 5},
        {"never", Outcome::NotFound, 0, Outcome::Connects, false, 15, 5},
        // A success without a link is no success; a link behind a failed attempt is let go.
        {"answers yes without a link", Outcome::SaysYesUnconnected, 0, Outcome::Connects, false, 15,
         5},
        {"links but fails, then connects", Outcome::ConnectsButFails, 7, Outcome::Connects, true, 7,
         2},
    };
    testing_support::EmulatedUsbBus bus;
    testing_support::DeviceSim sim({"--heartbeat-ms", "0", "--usb-dir", bus.path(), "--device",
                                    "40F5849A", "--usb", "--address", "4"});
    for (const RetryCase& c : cases) {
        SCOPED_TRACE(c.name);
        Module module(0, 0);
        ASSERT_EQ(module.setConfig(updaterLinkConfig()), aErrNone);
        LogCapture log(DEBUG_APP);
        int attempts = 0;
        bool connectedOnEntry = false;
        const bool connected = connectWithRetries(
            module,
            [&](Module& coming) {
                ++attempts;
                connectedOnEntry = connectedOnEntry || coming.isConnected();
                const Outcome outcome = c.turn != 0 && attempts >= c.turn ? c.after : c.before;
                switch (outcome) {
                    case Outcome::NotFound:
                        return aErrNotFound;
                    case Outcome::SaysYesUnconnected:
                        return aErrNone;
                    case Outcome::ConnectsButFails:
                        return coming.discoverAndConnect(USB, kSerialNumber) == aErrNone
                                   ? aErrTimeout
                                   : aErrUnknown;
                    case Outcome::Connects:
                        return coming.discoverAndConnect(USB, kSerialNumber);
                }
                return aErrUnknown;
            },
            kNoPause);
        EXPECT_EQ(connected, c.connected);
        EXPECT_EQ(module.isConnected(), c.connected);
        EXPECT_EQ(attempts, c.attempts);
        EXPECT_FALSE(connectedOnEntry) << "an attempt began with the last one's link still up";
        EXPECT_EQ(s_count(log.text(), kRefreshLine), static_cast<size_t>(c.refreshLines));
    }
}

}  // namespace
