// The handshake answer that emulated USB and HID devices send to QUERY and CLAIM.
#include <gtest/gtest.h>

#include <string>

#include "platform/emulation_wire.h"

namespace {

using lynkor::platform::EmulationAnswer;
using lynkor::platform::parseEmulationAnswer;

TEST(EmulationAnswer, ReadsEveryDescriptorFieldWithHexIdentifiers) {
    const EmulationAnswer answer = parseEmulationAnswer(
        "OK vid=3a7c pid=0012 vendor_interface=1 packet_size=512 held=0 serial=RFICB1234.A");
    EXPECT_EQ(answer.status, "OK");
    EXPECT_EQ(answer.vendorId, 0x3A7C);
    EXPECT_EQ(answer.productId, 0x0012);
    EXPECT_TRUE(answer.vendorInterface);
    EXPECT_EQ(answer.packetSize, 512);
    EXPECT_FALSE(answer.held);
    EXPECT_EQ(answer.serialNumber, "RFICB1234.A");
}

TEST(EmulationAnswer, BusyDeviceAndHidDeviceWithoutVendorInterface) {
    const EmulationAnswer busy = parseEmulationAnswer(
        "BUSY vid=3a7c pid=0013 vendor_interface=1 packet_size=64 held=1 "
        "serial=40F5849A");
    EXPECT_EQ(busy.status, "BUSY");
    EXPECT_TRUE(busy.held);
    EXPECT_EQ(busy.packetSize, 64);

    const EmulationAnswer hid = parseEmulationAnswer(
        "OK vid=1fc9 pid=0130 vendor_interface=0 packet_size=65 held=0 serial=");
    EXPECT_EQ(hid.status, "OK");
    EXPECT_EQ(hid.vendorId, 0x1FC9);
    EXPECT_EQ(hid.productId, 0x0130);
    EXPECT_FALSE(hid.vendorInterface);
    EXPECT_EQ(hid.serialNumber, "");
}

TEST(EmulationAnswer, TheSerialNumberRunsToTheEndOfTheMessageSpacesAndAll) {
    const EmulationAnswer answer = parseEmulationAnswer("OK serial=two words ");
    EXPECT_EQ(answer.status, "OK");
    EXPECT_EQ(answer.serialNumber, "two words ");
}

TEST(EmulationAnswer, AFieldWithoutValueOrAMissingSerialMakesItMalformed) {
    EXPECT_EQ(parseEmulationAnswer("OK vid=3a7c novalue serial=1").status, "");
    EXPECT_EQ(parseEmulationAnswer("OK vid=1fc9 pid").status, "");
    EXPECT_EQ(parseEmulationAnswer("OK vid=1fc9 pid=0130").status, "");
    EXPECT_EQ(parseEmulationAnswer("").status, "");
}

}  // namespace
