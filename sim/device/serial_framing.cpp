#include "serial_framing.h"

namespace sim {

uint8_t crc8Maxim(const uint8_t* bytes, size_t count) {
    uint8_t crc = 0;
    for (size_t i = 0; i < count; ++i) {
        crc ^= bytes[i];
        for (int bit = 0; bit < 8; ++bit) {
            crc = (crc & 1) ? static_cast<uint8_t>((crc >> 1) ^ 0x8C)
                            : static_cast<uint8_t>(crc >> 1);
        }
    }
    return crc;
}

Bytes cobsEncode(const Bytes& bytes) {
    Bytes out;
    out.reserve(bytes.size() + bytes.size() / 254 + 2);
    size_t codePosition = 0;
    out.push_back(0);
    uint8_t code = 1;
    for (uint8_t byte : bytes) {
        if (byte != 0) {
            out.push_back(byte);
            ++code;
        }
        if (byte == 0 || code == 0xFF) {
            out[codePosition] = code;
            codePosition = out.size();
            out.push_back(0);
            code = 1;
        }
    }
    out[codePosition] = code;
    return out;
}

std::optional<Bytes> cobsDecode(const Bytes& encoded) {
    Bytes out;
    size_t i = 0;
    while (i < encoded.size()) {
        uint8_t code = encoded[i++];
        if (code == 0 || i + code - 1 > encoded.size()) {
            return std::nullopt;
        }
        for (uint8_t k = 1; k < code; ++k) {
            out.push_back(encoded[i++]);
        }
        if (code != 0xFF && i < encoded.size()) {
            out.push_back(0);
        }
    }
    return out;
}

Bytes encodeSerialFrame(const Packet& packet) {
    Bytes plain = packet.wire();
    plain.push_back(crc8Maxim(plain.data(), plain.size()));
    Bytes frame = cobsEncode(plain);
    frame.push_back(0);
    return frame;
}

std::optional<Packet> SerialFrameDecoder::feed(uint8_t byte) {
    if (byte != 0) {
        if (frame_.size() < kMaxFrame) {
            frame_.push_back(byte);
        } else {
            overlong_ = true;
        }
        return std::nullopt;
    }
    if (frame_.empty()) {
        return std::nullopt;
    }
    std::optional<Bytes> plain = overlong_ ? std::nullopt : cobsDecode(frame_);
    frame_.clear();
    overlong_ = false;
    if (!plain || plain->size() < 3 || plain->size() != (*plain)[1] + 3u ||
        (*plain)[1] > kMaxPacketData ||
        plain->back() != crc8Maxim(plain->data(), plain->size() - 1)) {
        ++badFrames_;
        return std::nullopt;
    }
    return Packet{(*plain)[0], Bytes(plain->begin() + 2, plain->end() - 1)};
}

}  // namespace sim
