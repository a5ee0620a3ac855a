// The packetized serial framing: each packet's bytes plus a CRC-8/MAXIM, COBS-encoded and
// ended by one zero byte.
#pragma once

#include <optional>

#include "packet.h"

namespace sim {

uint8_t crc8Maxim(const uint8_t* bytes, size_t count);
Bytes cobsEncode(const Bytes& bytes);
// Empty when the input is not a valid COBS block.
std::optional<Bytes> cobsDecode(const Bytes& encoded);

// The whole frame for one packet, delimiter included.
Bytes encodeSerialFrame(const Packet& packet);

// Collects line bytes into frames and checks them; bad frames are counted and dropped.
class SerialFrameDecoder {
public:
    std::optional<Packet> feed(uint8_t byte);
    size_t badFrames() const { return badFrames_; }

private:
    // The longest frame a packet with 28 data bytes gives; longer lines are noise.
    static constexpr size_t kMaxFrame = 32;
    Bytes frame_;
    bool overlong_ = false;
    size_t badFrames_ = 0;
};

}  // namespace sim
