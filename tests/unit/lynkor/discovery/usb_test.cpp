// USB enumeration over the emulated bus, against devices the test serves.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "lynkor/aDiscovery.h"
#include "lynkor/aEmulation.h"
#include "records.h"
#include "sim_usb_endpoint.h"
#include "support/temp_dir.h"

namespace {

using discovery_test::Records;
using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

class UsbDiscovery : public ::testing::Test {
protected:
    void SetUp() override { aEmulation_Select(bus_.path().c_str()); }
    void TearDown() override { aEmulation_Select(nullptr); }

    void plug(const std::string& name, const std::string& serial, uint16_t productId,
              uint16_t vendorId = 0x3A7C, bool vendorInterface = true) {
        sim::UsbDeviceProperties properties;
        properties.vendorId = vendorId;
        properties.productId = productId;
        properties.serialNumber = serial;
        properties.vendorInterface = vendorInterface;
        devices_.push_back(std::make_unique<sim::UsbEndpoint>(bus_.path(), name, properties));
    }

    static const linkSpec* find(const Records& records, uint32_t serial) {
        auto spec = std::find_if(records.specs.begin(), records.specs.end(),
                                 [&](const linkSpec& s) { return s.serial_num == serial; });
        return spec == records.specs.end() ? nullptr : &*spec;
    }

    testing_support::TempDir bus_;
    std::vector<std::unique_ptr<sim::UsbEndpoint>> devices_;
};

TEST_F(UsbDiscovery, FindsOurDevicesWithSerialNumbersAndProductBytes) {
    plug("hub", "RFICB1234.A", 0x0012);
    plug("module", "40F5849A", 0x0005);
    plug("relay", "1234", 0x001A);

    Records records;
    const auto start = Clock::now();
    EXPECT_EQ(aDiscovery_EnumerateModules(USB, Records::collect, &records, 0), 3);
    // No network is asked: a USB enumeration is quick.
    EXPECT_LT(Clock::now() - start, 1s);
    ASSERT_EQ(records.specs.size(), 3u);

    const linkSpec* decimal = find(records, 1234);
    ASSERT_NE(decimal, nullptr) << "RFICB<n>.A is decimal";
    EXPECT_EQ(decimal->model, 0x12u);
    const linkSpec* hex = find(records, 0x1234);
    ASSERT_NE(hex, nullptr) << "any other serial string is hexadecimal";
    EXPECT_EQ(hex->model, 0x1Au);
    const linkSpec* module = find(records, 0x40F5849A);
    ASSERT_NE(module, nullptr);
    EXPECT_EQ(module->type, USB);
    EXPECT_EQ(module->model, 5u);
    EXPECT_EQ(module->usb_id, 0x40F5849Au);
    EXPECT_EQ(module->module, 0u);
    EXPECT_EQ(module->router, 0u);
    EXPECT_EQ(module->router_serial_num, 0u);
}

TEST_F(UsbDiscovery, SkipsDevicesThatAreNotOurs) {
    plug("ours", "0000ABCD", 0x0012);
    plug("no-vendor-interface", "0000AAAA", 0x0012, 0x3A7C, false);
    plug("other-vendor", "0000BBBB", 0x0012, 0x1234);
    plug("other-product-range", "0000CCCC", 0x0112);
    plug("unreadable-serial", "serial?", 0x0012);
    plug("zero-serial", "00000000", 0x0012);
    plug("negative-decimal", "RFICB-5.A", 0x0012);

    Records records;
    EXPECT_EQ(aDiscovery_EnumerateModules(USB, Records::collect, &records, 0), 1);
    ASSERT_EQ(records.specs.size(), 1u);
    EXPECT_EQ(records.specs[0].serial_num, 0x0000ABCDu);
}

TEST_F(UsbDiscovery, OneRecordPerSerialNumber) {
    plug("first-interface", "RFICB77.A", 0x0013);
    plug("second-interface", "RFICB77.A", 0x0013);
    Records records;
    EXPECT_EQ(aDiscovery_EnumerateModules(USB, Records::collect, &records, 0), 1);
    ASSERT_EQ(records.specs.size(), 1u);
    EXPECT_EQ(records.specs[0].serial_num, 77u);
}

TEST_F(UsbDiscovery, AtMostOneHundredTwentyEightDevices) {
    for (uint32_t i = 1; i <= 130; ++i) {
        plug("device" + std::to_string(i), "RFICB" + std::to_string(i) + ".A", 0x0012);
    }
    Records records;
    EXPECT_EQ(aDiscovery_EnumerateModules(USB, Records::collect, &records, 0), 128);
    EXPECT_EQ(records.specs.size(), 128u);
}

TEST_F(UsbDiscovery, CallbackReturningFalseStopsAndFindCopiesTheRecord) {
    plug("a", "0000000A", 0x0004);
    plug("b", "0000000B", 0x0005);
    Records records;
    records.stopAfter = 1;
    EXPECT_EQ(aDiscovery_EnumerateModules(USB, Records::collect, &records, 0), 1);
    EXPECT_EQ(records.specs.size(), 1u);

    linkSpec* spec = aDiscovery_FindModule(USB, 0xB, 0);
    ASSERT_NE(spec, nullptr);
    EXPECT_EQ(spec->model, 5u);
    EXPECT_EQ(aLinkSpec_Destroy(&spec), aErrNone);
    EXPECT_EQ(aDiscovery_FindModule(USB, 0xC, 0), nullptr);
    spec = aDiscovery_FindFirstModule(USB, 0);
    ASSERT_NE(spec, nullptr);
    EXPECT_NE(spec->serial_num, 0u);
    aLinkSpec_Destroy(&spec);
}

TEST_F(UsbDiscovery, EmptyBusFindsNothing) {
    Records records;
    EXPECT_EQ(aDiscovery_EnumerateModules(USB, Records::collect, &records, 0), 0);
    EXPECT_EQ(aDiscovery_FindFirstModule(USB, 0), nullptr);
}

}  // namespace
