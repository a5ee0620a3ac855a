// The USB stream over the emulated bus, against devices the test serves.
#include <gtest/gtest.h>

#include <unistd.h>

#include "lynkor/aEmulation.h"
#include "other_process.h"
#include "sim_usb_endpoint.h"
#include "stream/usb_identity.h"
#include "stream_test_support.h"
#include "support/temp_dir.h"

namespace {

using namespace stream_testing;
using std::chrono::milliseconds;

class UsbStream : public ::testing::Test {
protected:
    void SetUp() override { aEmulation_Select(bus_.path().c_str()); }
    void TearDown() override { aEmulation_Select(nullptr); }

    sim::UsbDeviceProperties device(const std::string& serial, uint16_t packetSize = 512) {
        sim::UsbDeviceProperties properties;
        properties.productId = 0x0012;
        properties.serialNumber = serial;
        properties.packetSize = packetSize;
        return properties;
    }

    StreamPtr open(uint32_t id) {
        aStream* stream = nullptr;
        EXPECT_EQ(aStream_CreateUSB(id, &stream), aErrNone);
        return StreamPtr(stream);
    }

    testing_support::TempDir bus_;
};

std::vector<uint8_t> pattern(size_t length) {
    std::vector<uint8_t> bytes(length);
    for (size_t i = 0; i < length; ++i) {
        bytes[i] = static_cast<uint8_t>(i * 13 + 1);
    }
    return bytes;
}

TEST_F(UsbStream, WritesGoOutInPacketChunksNeverEndingOnAFullHighSpeedPacket) {
    sim::UsbEndpoint endpoint(bus_.path(), "hub", device("RFICB1234.A"));
    auto stream = open(1234);
    ASSERT_NE(stream, nullptr);
    EXPECT_TRUE(endpoint.claimed());

    const auto block = pattern(1024);
    ASSERT_EQ(aStream_Write(stream.get(), block.data(), block.size()), aErrNone);
    std::vector<uint8_t> joined;
    for (size_t expected : {511u, 511u, 2u}) {
        auto transfer = endpoint.receiveOut(milliseconds(5000));
        ASSERT_TRUE(transfer.has_value());
        EXPECT_EQ(transfer->size(), expected);
        joined.insert(joined.end(), transfer->begin(), transfer->end());
    }
    EXPECT_EQ(joined, block);
    EXPECT_FALSE(endpoint.receiveOut(milliseconds(50)).has_value());
}

TEST_F(UsbStream, FullSpeedPacketsAreSentWhole) {
    sim::UsbEndpoint endpoint(bus_.path(), "module", device("40F5849A", 64));
    auto stream = open(0x40F5849A);
    ASSERT_NE(stream, nullptr);
    const auto block = pattern(130);
    ASSERT_EQ(aStream_Write(stream.get(), block.data(), block.size()), aErrNone);
    for (size_t expected : {64u, 64u, 2u}) {
        auto transfer = endpoint.receiveOut(milliseconds(5000));
        ASSERT_TRUE(transfer.has_value());
        EXPECT_EQ(transfer->size(), expected);
    }
}

TEST_F(UsbStream, ReadsHandOutWholeTransfersByteByByte) {
    sim::UsbEndpoint endpoint(bus_.path(), "hub", device("RFICB77.A"));
    auto stream = open(77);
    ASSERT_NE(stream, nullptr);
    uint8_t byte = 0;
    // Nothing sent: the read waits its short slice and answers that nothing is there.
    EXPECT_EQ(aStream_Read(stream.get(), &byte, 1), aErrNotReady);

    const auto reply = pattern(1000);
    ASSERT_TRUE(endpoint.sendIn(reply));
    std::vector<uint8_t> received(reply.size());
    ASSERT_EQ(aStream_Read(stream.get(), received.data(), received.size()), aErrNone);
    EXPECT_EQ(received, reply);
}

TEST_F(UsbStream, DeviceHeldByAnotherProcessIsBusy) {
    auto properties = device("RFICB5.A");
    properties.heldElsewhere = true;
    sim::UsbEndpoint endpoint(bus_.path(), "held", properties);
    aStream* stream = nullptr;
    EXPECT_EQ(aStream_CreateUSB(5, &stream), aErrBusy);
    EXPECT_EQ(stream, nullptr);

    endpoint.setHeldElsewhere(false);
    auto first = open(5);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(aStream_CreateUSB(5, &stream), aErrBusy);
    first.reset();
    // Let the device see the release before the next claim.
    for (int i = 0; i < 100 && endpoint.claimed(); ++i) {
        usleep(10000);
    }
    EXPECT_NE(open(5), nullptr);
}

TEST_F(UsbStream, DeviceClaimedByAnotherProcessIsBusy) {
    // The other process starts before the device (and its thread) exists, and claims it as soon
    // as it appears on the bus.
    OtherProcess holder([] {
        for (int i = 0; i < 500; ++i) {
            aStream* stream = nullptr;
            if (aStream_CreateUSB(6, &stream) == aErrNone) {
                return true;
            }
            usleep(10000);
        }
        return false;
    });
    sim::UsbEndpoint endpoint(bus_.path(), "shared", device("RFICB6.A"));
    ASSERT_TRUE(holder.waitUntilHeld());
    aStream* stream = nullptr;
    EXPECT_EQ(aStream_CreateUSB(6, &stream), aErrBusy);
    EXPECT_EQ(stream, nullptr);
}

TEST_F(UsbStream, OnlyOurDevicesWithTheRightSerialNumberAreTaken) {
    auto foreignVendor = device("RFICB9.A");
    foreignVendor.vendorId = 0x1234;
    auto foreignProduct = device("RFICB9.A");
    foreignProduct.productId = 0x0112;
    auto noVendorInterface = device("RFICB9.A");
    noVendorInterface.vendorInterface = false;
    sim::UsbEndpoint a(bus_.path(), "a", foreignVendor);
    sim::UsbEndpoint b(bus_.path(), "b", foreignProduct);
    sim::UsbEndpoint c(bus_.path(), "c", noVendorInterface);
    sim::UsbEndpoint d(bus_.path(), "d", device("RFICB10.A"));
    aStream* stream = nullptr;
    EXPECT_EQ(aStream_CreateUSB(9, &stream), aErrNotFound);
    EXPECT_EQ(aStream_CreateUSB(0x10, &stream), aErrNotFound);
    EXPECT_EQ(stream, nullptr);
    EXPECT_EQ(aStream_CreateUSB(9, nullptr), aErrParam);
    EXPECT_NE(open(10), nullptr);
}

TEST_F(UsbStream, DeviceThatRestartsBreaksTheStreamAndComesBack) {
    sim::UsbEndpoint endpoint(bus_.path(), "hub", device("RFICB42.A"));
    auto stream = open(42);
    ASSERT_NE(stream, nullptr);
    endpoint.unplug();
    uint8_t byte = 0;
    EXPECT_EQ(aStream_Read(stream.get(), &byte, 1), aErrIO);
    EXPECT_EQ(aStream_Write(stream.get(), &byte, 1), aErrIO);
    aStream* absent = nullptr;
    EXPECT_EQ(aStream_CreateUSB(42, &absent), aErrNotFound);

    endpoint.plugIn();
    auto again = open(42);
    ASSERT_NE(again, nullptr);
    ASSERT_TRUE(endpoint.sendIn({0x2A}));
    EXPECT_EQ(aStream_Read(again.get(), &byte, 1), aErrNone);
    EXPECT_EQ(byte, 0x2A);
}

TEST(UsbIdentity, SerialNumberStringsAreDecimalOrHexadecimal) {
    uint32_t serial = 0;
    EXPECT_TRUE(lynkor::usbSerialNumber("RFICB1234.A", &serial));
    EXPECT_EQ(serial, 1234u);
    EXPECT_TRUE(lynkor::usbSerialNumber("40F5849A", &serial));
    EXPECT_EQ(serial, 0x40F5849Au);
    EXPECT_FALSE(lynkor::usbSerialNumber("", &serial));
    EXPECT_FALSE(lynkor::usbSerialNumber("RFICB12x.A", &serial));
    EXPECT_FALSE(lynkor::usbSerialNumber("1FFFFFFFF", &serial));
}

}  // namespace
