#include "stream/serial_framing.h"

#include <cstring>

namespace lynkor::framing {

uint8_t crc8Maxim(const uint8_t* data, size_t length) {
    uint8_t crc = 0;
    for (size_t i = 0; i < length; ++i) {
        crc ^= data[i];
        for (int bit = 0; bit < 8; ++bit) {
            crc = (crc & 1) != 0 ? static_cast<uint8_t>((crc >> 1) ^ 0x8C)
                                 : static_cast<uint8_t>(crc >> 1);
        }
    }
    return crc;
}

size_t cobsEncode(const uint8_t* data, size_t length, uint8_t* out) {
    size_t codeAt = 0;
    size_t written = 1;
    uint8_t code = 1;
    for (size_t i = 0; i < length; ++i) {
        if (data[i] == 0) {
            out[codeAt] = code;
            codeAt = written++;
            code = 1;
            continue;
        }
        out[written++] = data[i];
        if (++code == 0xFF) {
            out[codeAt] = code;
            codeAt = written++;
            code = 1;
        }
    }
    out[codeAt] = code;
    return written;
}

bool cobsDecode(const uint8_t* data, size_t length, uint8_t* out, size_t* decodedLength) {
    size_t read = 0;
    size_t written = 0;
    while (read < length) {
        const uint8_t code = data[read++];
        if (code == 0 || read + code - 1 > length) {
            return false;
        }
        for (uint8_t i = 1; i < code; ++i) {
            if (data[read] == 0) {
                return false;
            }
            out[written++] = data[read++];
        }
        // A code below 0xFF stands for a zero, except after the block's last run.
        if (code != 0xFF && read < length) {
            out[written++] = 0;
        }
    }
    *decodedLength = written;
    return true;
}

std::optional<FramedPacket> decodeFrame(std::span<const uint8_t> frame) {
    if (frame.size() > kMaxEncodedFrame) {
        return std::nullopt;
    }
    uint8_t plain[kMaxEncodedFrame];
    size_t length = 0;
    if (!cobsDecode(frame.data(), frame.size(), plain, &length) || length < 3 ||
        length != static_cast<size_t>(plain[1]) + 3 ||
        plain[length - 1] != crc8Maxim(plain, length - 1)) {
        return std::nullopt;
    }
    FramedPacket packet;
    std::memcpy(packet.bytes.data(), plain, length - 1);
    packet.length = length - 1;
    return packet;
}

}  // namespace lynkor::framing
