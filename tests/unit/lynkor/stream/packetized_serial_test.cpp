// The packetized serial stream on a pseudo-terminal pair, against frames the test builds with
// its own straightforward encoder.
#include <gtest/gtest.h>

#include "stream/serial_framing.h"
#include "stream_test_support.h"
#include "support/pty_pair.h"

namespace {

using namespace stream_testing;

uint8_t referenceCrc(const std::string& bytes) {
    uint8_t crc = 0;
    for (unsigned char byte : bytes) {
        for (int bit = 0; bit < 8; ++bit) {
            const bool mix = ((crc ^ byte) & 1) != 0;
            crc >>= 1;
            if (mix) {
                crc ^= 0x8C;
            }
            byte >>= 1;
        }
    }
    return crc;
}

// COBS as its definition reads: every zero becomes the distance to the next one.
std::string referenceCobs(const std::string& plain) {
    std::string encoded;
    size_t start = 0;
    for (;;) {
        size_t zero = plain.find('\0', start);
        size_t end = zero == std::string::npos ? plain.size() : zero;
        encoded += static_cast<char>(end - start + 1);
        encoded += plain.substr(start, end - start);
        if (zero == std::string::npos) {
            break;
        }
        start = zero + 1;
    }
    return encoded;
}

std::string referenceFrame(const std::string& packet) {
    return referenceCobs(packet + static_cast<char>(referenceCrc(packet))) + '\0';
}

std::string packetBytes(uint8_t address, const std::string& data) {
    return std::string(1, static_cast<char>(address)) + static_cast<char>(data.size()) + data;
}

StreamPtr openPacketized(const PtyPair& line) {
    aStream* stream = nullptr;
    EXPECT_EQ(aStream_CreateSerial_Packetized(line.terminalName().c_str(), 6, 0, 0, 0, &stream),
              aErrNone);
    return StreamPtr(stream);
}

std::string readPacket(aStream* stream) {
    uint8_t header[2];
    if (readWithin(stream, header, 2) != aErrNone) {
        return "<no packet>";
    }
    std::vector<uint8_t> data(header[1]);
    if (!data.empty() && readWithin(stream, data.data(), data.size()) != aErrNone) {
        return "<short packet>";
    }
    return std::string(reinterpret_cast<char*>(header), 2) + text(data);
}

TEST(SerialFraming, CrcAndCobsMatchTheirDefinitions) {
    const std::string check = "123456789";
    EXPECT_EQ(lynkor::framing::crc8Maxim(reinterpret_cast<const uint8_t*>(check.data()), 9), 0xA1);
    EXPECT_EQ(referenceCrc(check), 0xA1);

    for (const std::string& plain :
         {std::string("\x02\x00\x41", 3), std::string(1, '\0'), std::string("\x11\x22"),
          std::string(3, '\0'), std::string(31, 'x')}) {
        uint8_t encoded[64];
        size_t length = lynkor::framing::cobsEncode(reinterpret_cast<const uint8_t*>(plain.data()),
                                                    plain.size(), encoded);
        EXPECT_EQ(std::string(reinterpret_cast<char*>(encoded), length), referenceCobs(plain));
        uint8_t decoded[64];
        size_t decodedLength = 0;
        ASSERT_TRUE(lynkor::framing::cobsDecode(encoded, length, decoded, &decodedLength));
        EXPECT_EQ(std::string(reinterpret_cast<char*>(decoded), decodedLength), plain);
    }
    uint8_t decoded[8];
    size_t decodedLength = 0;
    const uint8_t runsPastTheEnd[] = {0x05, 0x01, 0x02};
    EXPECT_FALSE(lynkor::framing::cobsDecode(runsPastTheEnd, 3, decoded, &decodedLength));
}

TEST(PacketizedSerial, EmptyPacketTravelsAsOneFrame) {
    PtyPair line;
    auto stream = openPacketized(line);
    const std::string packet = packetBytes(0x02, "");
    ASSERT_EQ(aStream_Write(stream.get(), reinterpret_cast<const uint8_t*>(packet.data()), 2),
              aErrNone);
    const std::string frame = referenceFrame(packet);
    EXPECT_EQ(line.receive(frame.size()), frame);
    EXPECT_EQ(frame.substr(0, 2), std::string("\x02\x02", 2));

    line.send(frame);
    EXPECT_EQ(readPacket(stream.get()), packet);
}

TEST(PacketizedSerial, FullPacketTravelsIntactBothWays) {
    PtyPair line;
    auto stream = openPacketized(line);
    std::string data;
    for (int i = 0; i < 28; ++i) {
        data += static_cast<char>(i % 5 == 0 ? 0 : 0x30 + i);
    }
    const std::string packet = packetBytes(0x04, data);
    const std::string frame = referenceFrame(packet);
    EXPECT_EQ(frame.size(), 33u);

    // Two packets in one write go out as two frames.
    const std::string twice = packet + packet;
    ASSERT_EQ(
        aStream_Write(stream.get(), reinterpret_cast<const uint8_t*>(twice.data()), twice.size()),
        aErrNone);
    EXPECT_EQ(line.receive(2 * frame.size()), frame + frame);

    line.send(frame);
    EXPECT_EQ(readPacket(stream.get()), packet);
}

TEST(PacketizedSerial, BadFramesAreDroppedAndThePacketsAfterThemArrive) {
    PtyPair line;
    auto stream = openPacketized(line);
    const std::string good = packetBytes(0x06, "\x01\x02\x03");
    std::string corrupted = referenceFrame(good);
    corrupted[corrupted.size() - 2] ^= 0x01;  // the CRC byte

    line.send(corrupted);
    uint8_t byte = 0;
    EXPECT_EQ(readWithin(stream.get(), &byte, 1), aErrPacket);

    line.send(std::string("\x05\x01\x02\x00", 4));  // a run longer than its frame
    EXPECT_EQ(readWithin(stream.get(), &byte, 1), aErrPacket);
    line.send(std::string(40, '\x7F') + '\0');  // longer than any frame
    EXPECT_EQ(readWithin(stream.get(), &byte, 1), aErrPacket);
    line.send(referenceFrame(packetBytes(0x06, "\x01")).substr(1));  // lost its first byte
    EXPECT_EQ(readWithin(stream.get(), &byte, 1), aErrPacket);

    line.send(std::string("\0\0", 2) + referenceFrame(good) + referenceFrame(good));
    EXPECT_EQ(readPacket(stream.get()), good);
    EXPECT_EQ(readPacket(stream.get()), good);
}

TEST(PacketizedSerial, EndlessNoiseDoesNotHoldTheReader) {
    PtyPair line;
    auto stream = openPacketized(line);
    // More noise than one read takes in: each call handles one read's worth and returns.
    line.send(std::string(3000, '\x7F'));
    uint8_t byte = 0;
    EXPECT_EQ(aStream_Read(stream.get(), &byte, 1), aErrNotReady);
    const std::string good = packetBytes(0x08, "\x42");
    line.send(std::string(1, '\0') + referenceFrame(good));
    EXPECT_EQ(readWithin(stream.get(), &byte, 1), aErrPacket);
    EXPECT_EQ(readPacket(stream.get()), good);
}

TEST(PacketizedSerial, MalformedOutgoingBytesDoNotWedgeTheSender) {
    PtyPair line;
    auto stream = openPacketized(line);
    // An address byte of 0 cannot start a packet; the packet after it still goes out.
    const std::string bytes = std::string("\0", 1) + packetBytes(0x02, "\x10");
    ASSERT_EQ(
        aStream_Write(stream.get(), reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()),
        aErrNone);
    const std::string frame = referenceFrame(packetBytes(0x02, "\x10"));
    EXPECT_EQ(line.receive(frame.size()), frame);

    // `put` passes a byte to the line as it is.
    const uint8_t raw = 0x55;
    ASSERT_EQ(aStream_Write(stream.get(), &raw, 1), aErrNone);
    EXPECT_EQ(line.receive(1), "\x55");
}

TEST(PacketizedSerial, ArgumentsAreCheckedLikeThePlainSerialStream) {
    PtyPair line;
    aStream* stream = nullptr;
    const char* name = line.terminalName().c_str();
    EXPECT_EQ(aStream_CreateSerial_Packetized(name, 8, 0, 0, 0, &stream), aErrRange);
    EXPECT_EQ(aStream_CreateSerial_Packetized(name, 0, 0, 2, 0, &stream), aErrMode);
    EXPECT_EQ(aStream_CreateSerial_Packetized(name, 0, 0, 0, 0, nullptr), aErrParam);
    EXPECT_EQ(aStream_CreateSerial_Packetized("/dev/no-such-port-here", 0, 0, 0, 0, &stream),
              aErrIO);
    EXPECT_EQ(stream, nullptr);
}

}  // namespace
