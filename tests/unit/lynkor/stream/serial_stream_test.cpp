// The serial stream on a pseudo-terminal pair.
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "other_process.h"
#include "platform/serial_port.h"
#include "stream_test_support.h"
#include "support/pty_pair.h"
#include "support/temp_dir.h"

namespace {

using namespace stream_testing;

constexpr uint32_t kBaud115200 = 6;

StreamPtr openSerial(const std::string& name, uint32_t parity = 0, uint32_t seven = 0,
                     uint32_t two = 0) {
    aStream* stream = nullptr;
    EXPECT_EQ(aStream_CreateSerial(name.c_str(), kBaud115200, parity, seven, two, &stream),
              aErrNone);
    return StreamPtr(stream);
}

TEST(SerialStream, CarriesBytesBothWays) {
    PtyPair line;
    auto stream = openSerial(line.terminalName());
    ASSERT_NE(stream, nullptr);
    uint8_t byte = 0;
    EXPECT_EQ(aStream_Read(stream.get(), &byte, 1), aErrNotReady);

    std::string all;
    for (int i = 0; i < 256; ++i) {
        all += static_cast<char>(i);
    }
    ASSERT_EQ(aStream_Write(stream.get(), reinterpret_cast<const uint8_t*>(all.data()), all.size()),
              aErrNone);
    EXPECT_EQ(line.receive(all.size()), all);

    line.send(all);
    std::vector<uint8_t> received(all.size());
    ASSERT_EQ(readWithin(stream.get(), received.data(), received.size()), aErrNone);
    EXPECT_EQ(text(received), all);
}

TEST(SerialStream, AppliesTheLineSettingsAndRestoresThePreviousOnes) {
    PtyPair line;
    // A line in cooked mode, as a terminal is left by other programs.
    termios before{};
    ASSERT_EQ(tcgetattr(line.terminalFd(), &before), 0);
    before.c_lflag |= ICANON | ECHO;
    ASSERT_EQ(tcsetattr(line.terminalFd(), TCSANOW, &before), 0);
    ASSERT_EQ(tcgetattr(line.terminalFd(), &before), 0);

    auto stream = openSerial(line.terminalName(), 1, 1, 1);
    ASSERT_NE(stream, nullptr);
    termios during{};
    ASSERT_EQ(tcgetattr(line.terminalFd(), &during), 0);
    EXPECT_EQ(during.c_lflag & (ICANON | ECHO), 0u);
    // A pseudo-terminal keeps 8 bits and no parity whatever it is told; the rest it keeps.
    EXPECT_NE(during.c_cflag & CSTOPB, 0u);
    EXPECT_EQ(cfgetospeed(&during), static_cast<speed_t>(B115200));
    EXPECT_EQ(aStream_Destroy(reinterpret_cast<aStream**>(&stream)), aErrNone);

    termios after{};
    ASSERT_EQ(tcgetattr(line.terminalFd(), &after), 0);
    EXPECT_EQ(after.c_lflag, before.c_lflag);
    EXPECT_EQ(after.c_cflag, before.c_cflag);
    EXPECT_EQ(after.c_iflag, before.c_iflag);
}

TEST(SerialStream, SettingsSelectParityDataAndStopBits) {
    termios cooked{};
    cooked.c_cflag = CS8 | CREAD | HUPCL;
    cooked.c_lflag = ICANON | ECHO | ISIG;
    cooked.c_iflag = ICRNL | IXON;
    lynkor::platform::SerialSettings settings;
    settings.baudRate = 9600;
    termios plain{};
    ASSERT_TRUE(lynkor::platform::serialTermios(cooked, settings, &plain));
    EXPECT_EQ(plain.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
    EXPECT_EQ(plain.c_cflag & (PARENB | PARODD | CSTOPB), 0u);
    EXPECT_EQ(plain.c_lflag & (ICANON | ECHO | ISIG), 0u);
    EXPECT_EQ(plain.c_iflag & (ICRNL | IXON), 0u);
    EXPECT_EQ(cfgetispeed(&plain), static_cast<speed_t>(B9600));
    EXPECT_EQ(plain.c_cc[VMIN], 0);

    settings.oddParity = true;
    settings.sevenDataBits = true;
    settings.twoStopBits = true;
    termios odd{};
    ASSERT_TRUE(lynkor::platform::serialTermios(cooked, settings, &odd));
    EXPECT_EQ(odd.c_cflag & CSIZE, static_cast<tcflag_t>(CS7));
    EXPECT_EQ(odd.c_cflag & (PARENB | PARODD | CSTOPB),
              static_cast<tcflag_t>(PARENB | PARODD | CSTOPB));
    EXPECT_NE(odd.c_iflag & INPCK, 0u);

    settings.baudRate = 1234;
    EXPECT_FALSE(lynkor::platform::serialTermios(cooked, settings, &odd));
}

TEST(SerialStream, PortHeldByAnotherOpenIsRefused) {
    PtyPair line;
    auto first = openSerial(line.terminalName());
    ASSERT_NE(first, nullptr);
    aStream* second = nullptr;
    EXPECT_EQ(aStream_CreateSerial(line.terminalName().c_str(), kBaud115200, 0, 0, 0, &second),
              aErrIO);
    EXPECT_EQ(second, nullptr);
    first.reset();
    auto third = openSerial(line.terminalName());
    EXPECT_NE(third, nullptr);
}

TEST(SerialStream, PortHeldByAnotherProcessIsRefused) {
    PtyPair line;
    const std::string name = line.terminalName();
    OtherProcess holder([&] {
        aStream* stream = nullptr;
        return aStream_CreateSerial(name.c_str(), kBaud115200, 0, 0, 0, &stream) == aErrNone;
    });
    ASSERT_TRUE(holder.waitUntilHeld());
    aStream* stream = nullptr;
    EXPECT_EQ(aStream_CreateSerial(name.c_str(), kBaud115200, 0, 0, 0, &stream), aErrIO);
    EXPECT_EQ(stream, nullptr);
}

TEST(SerialStream, BadArgumentsAndPortsFailCleanly) {
    PtyPair line;
    const char* name = line.terminalName().c_str();
    aStream* stream = nullptr;
    EXPECT_EQ(aStream_CreateSerial(name, 8, 0, 0, 0, &stream), aErrRange);
    EXPECT_EQ(aStream_CreateSerial(name, kBaud115200, 0, 2, 0, &stream), aErrMode);
    EXPECT_EQ(aStream_CreateSerial(name, kBaud115200, 0, 0, 2, &stream), aErrMode);
    EXPECT_EQ(aStream_CreateSerial(nullptr, kBaud115200, 0, 0, 0, &stream), aErrParam);
    EXPECT_EQ(aStream_CreateSerial(name, kBaud115200, 0, 0, 0, nullptr), aErrParam);
    EXPECT_EQ(aStream_CreateSerial("/dev/no-such-port-here", kBaud115200, 0, 0, 0, &stream),
              aErrIO);
    testing_support::TempDir dir;
    testing_support::writeFile(dir.file("plain"), "not a terminal");
    EXPECT_EQ(aStream_CreateSerial(dir.file("plain").c_str(), kBaud115200, 0, 0, 0, &stream),
              aErrIO);
    EXPECT_EQ(aStream_CreateSerial("null", kBaud115200, 0, 0, 0, &stream), aErrIO);
    EXPECT_EQ(stream, nullptr);
}

TEST(SerialStream, HungUpLineIsAnError) {
    PtyPair line;
    auto stream = openSerial(line.terminalName());
    line.hangUp();
    uint8_t byte = 0;
    EXPECT_EQ(readWithin(stream.get(), &byte, 1), aErrIO);
}

}  // namespace
