// The two transports under the driver, against devices that misbehave in ways the simulated ROM
// does not: one that never stops sending, one whose HAB-mode report comes padded, and a serial
// port that takes no more bytes.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include "lynkor/aEmulation.h"
#include "recovery/hid_sdp_loader.h"
#include "recovery/sdp_reports.h"
#include "recovery/serial_sdp_loader.h"
#include "sim_usb_endpoint.h"
#include "support/temp_dir.h"

namespace {

using Clock = std::chrono::steady_clock;
using Bytes = std::vector<uint8_t>;
using namespace std::chrono_literals;

class HidTransport : public ::testing::Test {
protected:
    void SetUp() override {
        aEmulation_Select(bus_.path().c_str());
        sim::UsbDeviceProperties properties;
        properties.vendorId = 0x1FC9;
        properties.productId = 0x0130;
        properties.vendorInterface = false;
        properties.packetSize = 65;
        properties.socketSuffix = ".hid";
        rom_ = std::make_unique<sim::UsbEndpoint>(bus_.path(), "rom", properties);
        ASSERT_TRUE(loader_.open());
        ASSERT_TRUE(rom_->waitForClaim(1s));
    }
    void TearDown() override { aEmulation_Select(nullptr); }

    testing_support::TempDir bus_;
    std::unique_ptr<sim::UsbEndpoint> rom_;
    HID_SDPLoader loader_{0x1FC9, 0x0130};
};

TEST_F(HidTransport, APaddedHabReportStillMakesTheExactStatusSize) {
    Bytes hab(65, 0);
    hab[0] = sdp::kHabModeReportId;
    hab[1] = 0x56;
    Bytes status(65, 0);
    status[0] = sdp::kStatusReportId;
    status[1] = status[2] = status[3] = status[4] = 0x88;
    ASSERT_TRUE(rom_->sendIn(hab));
    ASSERT_TRUE(rom_->sendIn(status));

    Bytes response;
    EXPECT_EQ(loader_.read(response, 100), sdp::kHidResponseSize);
    uint32_t word = 0;
    ASSERT_TRUE(loader_.statusWord(response, 0, word));
    EXPECT_EQ(word, sdp::kWriteFileComplete);

    // One report more is not a complete answer.
    ASSERT_TRUE(rom_->sendIn(hab));
    ASSERT_TRUE(rom_->sendIn(status));
    ASSERT_TRUE(rom_->sendIn(status));
    response.clear();
    loader_.read(response, 100);
    EXPECT_FALSE(loader_.statusWord(response, 0, word));
}

TEST_F(HidTransport, ADeviceThatNeverStopsSendingCannotHoldARead) {
    std::atomic<bool> stop{false};
    std::thread flood([&] {
        Bytes report(65, 0x4D);
        report[0] = sdp::kStatusReportId;
        while (!stop && rom_->sendIn(report)) {
        }
    });
    Bytes response;
    const auto start = Clock::now();
    const size_t got = loader_.read(response, 100);
    const auto elapsed = Clock::now() - start;
    // The flood ends at the latest when the report it is sending finds no reader for a second.
    stop = true;
    flood.join();
    EXPECT_GE(got, SDPLoader_Interface::kReadLimitBytes);
    EXPECT_LT(got, SDPLoader_Interface::kReadLimitBytes + 65);
    EXPECT_LT(elapsed, 2s);
}

TEST(SerialTransport, APortThatTakesNothingEndsTheWriteWithinAboutASecond) {
    // A pseudo-terminal whose other end nobody reads fills up, as a line with flow control held.
    const int master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    ASSERT_GE(master, 0);
    ASSERT_EQ(grantpt(master), 0);
    ASSERT_EQ(unlockpt(master), 0);
    Serial_SDPLoader loader(ptsname(master));
    ASSERT_TRUE(loader.open());

    Bytes report(1 + sdp::kMaxDataPerReport, 0x5A);
    report[0] = sdp::kDataReportId;
    const auto start = Clock::now();
    size_t written = 0;
    int reports = 0;
    for (; reports < 1000; ++reports) {
        written = loader.write(report);
        if (written != sdp::kMaxDataPerReport) {
            break;
        }
    }
    const auto elapsed = Clock::now() - start;
    EXPECT_LT(reports, 1000) << "the port never filled";
    EXPECT_EQ(written, 0u);
    EXPECT_GE(elapsed, 900ms);
    EXPECT_LT(elapsed, 3s);
    close(master);
}

}  // namespace
