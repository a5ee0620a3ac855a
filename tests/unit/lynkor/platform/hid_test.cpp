// The HID seam over the emulated bus, against HID devices the test serves.
#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "lynkor/aEmulation.h"
#include "lynkor/aHid.h"
#include "sim_usb_endpoint.h"
#include "support/temp_dir.h"

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;
using Bytes = std::vector<uint8_t>;

constexpr uint16_t kVendor = 0x1FC9;
constexpr uint16_t kProduct = 0x0130;

class HidDevice : public ::testing::Test {
protected:
    void SetUp() override { aEmulation_Select(bus_.path().c_str()); }
    void TearDown() override {
        aHid_Destroy(&hid_);
        aEmulation_Select(nullptr);
    }

    sim::UsbEndpoint& serve(const std::string& name, uint16_t vendorId, uint16_t productId,
                            const std::string& suffix = ".hid") {
        sim::UsbDeviceProperties properties;
        properties.vendorId = vendorId;
        properties.productId = productId;
        properties.vendorInterface = false;
        properties.packetSize = 65;
        properties.socketSuffix = suffix;
        devices_.push_back(std::make_unique<sim::UsbEndpoint>(bus_.path(), name, properties));
        return *devices_.back();
    }

    testing_support::TempDir bus_;
    std::vector<std::unique_ptr<sim::UsbEndpoint>> devices_;
    aHid* hid_ = nullptr;
};

TEST_F(HidDevice, OpensTheFirstDeviceWithTheIdentifiersAndNoOther) {
    // A USB device with the same ids and a HID device with another product are not candidates.
    sim::UsbEndpoint& usbTwin = serve("a_usb", kVendor, kProduct, ".usb");
    sim::UsbEndpoint& other = serve("b_other", kVendor, 0x0131);
    sim::UsbEndpoint& second = serve("d_second", kVendor, kProduct);
    sim::UsbEndpoint& first = serve("c_first", kVendor, kProduct);

    ASSERT_EQ(aHid_Open(kVendor, kProduct, &hid_), aErrNone);
    EXPECT_TRUE(first.waitForClaim(1s));
    EXPECT_FALSE(second.claimed());
    EXPECT_FALSE(other.claimed());
    EXPECT_FALSE(usbTwin.claimed());

    // A second host finds the device held.
    aHid* again = nullptr;
    EXPECT_EQ(aHid_Open(kVendor, kProduct, &again), aErrBusy);
    EXPECT_EQ(again, nullptr);
}

TEST_F(HidDevice, OpenAnswersNotFoundWithoutADeviceOnEitherBus) {
    EXPECT_EQ(aHid_Open(kVendor, kProduct, &hid_), aErrNotFound);
    EXPECT_EQ(hid_, nullptr);
    // The real bus of this machine has no such device either.
    aEmulation_Select(nullptr);
    EXPECT_EQ(aHid_Open(kVendor, kProduct, &hid_), aErrNotFound);
}

TEST_F(HidDevice, ReportsKeepTheirBoundariesAndIdsBothWays) {
    sim::UsbEndpoint& device = serve("rom", kVendor, kProduct);
    ASSERT_EQ(aHid_Open(kVendor, kProduct, &hid_), aErrNone);
    ASSERT_TRUE(device.waitForClaim(1s));

    const Bytes command{1, 0x05, 0x05, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    Bytes data(1025, 0xA5);
    data[0] = 2;
    ASSERT_EQ(aHid_Write(hid_, command.data(), command.size()), aErrNone);
    ASSERT_EQ(aHid_Write(hid_, data.data(), data.size()), aErrNone);
    EXPECT_EQ(device.receiveOut(1s), command);
    EXPECT_EQ(device.receiveOut(1s), data);

    ASSERT_TRUE(device.sendIn({3, 0x56, 0x78, 0x78, 0x56}));
    Bytes statusReport(65, 0);
    statusReport[0] = 4;
    ASSERT_TRUE(device.sendIn(statusReport));
    uint8_t buffer[128];
    size_t received = 0;
    ASSERT_EQ(aHid_Read(hid_, buffer, sizeof buffer, &received, 1000), aErrNone);
    EXPECT_EQ(Bytes(buffer, buffer + received), (Bytes{3, 0x56, 0x78, 0x78, 0x56}));
    ASSERT_EQ(aHid_Read(hid_, buffer, sizeof buffer, &received, 1000), aErrNone);
    EXPECT_EQ(Bytes(buffer, buffer + received), statusReport);
}

TEST_F(HidDevice, ReadsAreBoundedAndADeviceThatLeavesIsAnError) {
    sim::UsbEndpoint& device = serve("rom", kVendor, kProduct);
    ASSERT_EQ(aHid_Open(kVendor, kProduct, &hid_), aErrNone);
    ASSERT_TRUE(device.waitForClaim(1s));

    uint8_t buffer[65];
    size_t received = 99;
    const auto start = Clock::now();
    EXPECT_EQ(aHid_Read(hid_, buffer, sizeof buffer, &received, 50), aErrTimeout);
    EXPECT_GE(Clock::now() - start, 40ms);
    EXPECT_EQ(received, 0u);

    device.unplug();
    EXPECT_EQ(aHid_Read(hid_, buffer, sizeof buffer, &received, 1000), aErrIO);
    const uint8_t report[] = {1, 0x0B, 0x0B};
    EXPECT_EQ(aHid_Write(hid_, report, sizeof report), aErrIO);
}

TEST_F(HidDevice, FlatFunctionsCheckTheirArgumentsAndDestroyNullsTheHandle) {
    serve("rom", kVendor, kProduct);
    ASSERT_EQ(aHid_Open(kVendor, kProduct, &hid_), aErrNone);
    uint8_t buffer[8] = {1};
    size_t received = 0;
    EXPECT_EQ(aHid_Open(kVendor, kProduct, nullptr), aErrParam);
    EXPECT_EQ(aHid_Write(hid_, buffer, 0), aErrParam);
    EXPECT_EQ(aHid_Write(hid_, nullptr, 1), aErrParam);
    EXPECT_EQ(aHid_Read(hid_, buffer, sizeof buffer, nullptr, 10), aErrParam);
    EXPECT_EQ(aHid_Read(hid_, buffer, 0, &received, 10), aErrParam);

    // A pointer to something else is refused, and destroying it still nulls it.
    uint8_t foreign[64] = {};
    auto* notHid = reinterpret_cast<aHid*>(foreign);
    EXPECT_EQ(aHid_Write(notHid, buffer, 1), aErrParam);
    EXPECT_EQ(aHid_Destroy(&notHid), aErrParam);
    EXPECT_EQ(notHid, nullptr);

    EXPECT_EQ(aHid_Destroy(&hid_), aErrNone);
    EXPECT_EQ(hid_, nullptr);
    EXPECT_EQ(aHid_Destroy(&hid_), aErrParam);
    EXPECT_EQ(aHid_Destroy(nullptr), aErrParam);
}

}  // namespace
