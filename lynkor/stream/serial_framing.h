#pragma once

// The packetized serial line's framing: a packet's bytes followed by their CRC-8/MAXIM,
// encoded with Consistent Overhead Byte Stuffing so that the frame holds no zero byte, then
// one zero byte that ends the frame.
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

namespace lynkor::framing {

// Address, length byte and 28 data bytes, then the CRC.
constexpr size_t kMaxPlainFrame = 31;
// COBS adds one code byte per run of up to 254 bytes: one for frames this short.
constexpr size_t kMaxEncodedFrame = kMaxPlainFrame + 1;
constexpr uint8_t kFrameEnd = 0x00;

// CRC-8/MAXIM: reflected polynomial 0x8C, initial value 0, no final inversion.
uint8_t crc8Maxim(const uint8_t* data, size_t length);
// Encodes `length` bytes (at most 254) into `out`, which holds length + 1 bytes; returns the
// encoded length.
size_t cobsEncode(const uint8_t* data, size_t length, uint8_t* out);
// Decodes into `out` (at least `length` bytes); false when the input is not valid COBS.
bool cobsDecode(const uint8_t* data, size_t length, uint8_t* out, size_t* decodedLength);

// The packet a frame carries: address, length byte and data, without the CRC.
struct FramedPacket {
    std::array<uint8_t, kMaxPlainFrame - 1> bytes{};
    size_t length = 0;
};

// Reads one frame (its bytes before the frame end): nothing unless it is valid COBS of at most
// kMaxEncodedFrame bytes that decodes to a packet whose length byte matches and whose CRC holds.
std::optional<FramedPacket> decodeFrame(std::span<const uint8_t> frame);

}  // namespace lynkor::framing
