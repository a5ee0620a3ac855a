// The packetized serial line's frames: a frame is accepted only as one whole, checked packet,
// and an accepted frame is exactly what the sender's encoder makes of that packet.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <span>
#include <vector>

#include "stream/serial_framing.h"

namespace framing = lynkor::framing;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // The decoder alone, on input of any length: what it writes stays within the input's size.
    std::vector<uint8_t> decoded(size);
    size_t decodedLength = 0;
    if (framing::cobsDecode(data, size, decoded.data(), &decodedLength) && decodedLength > size) {
        std::abort();
    }

    const auto packet = framing::decodeFrame(std::span(data, size));
    if (!packet) {
        return 0;
    }
    if (packet->length < 2 || packet->length != static_cast<size_t>(packet->bytes[1]) + 2) {
        std::abort();
    }
    uint8_t plain[framing::kMaxPlainFrame];
    std::memcpy(plain, packet->bytes.data(), packet->length);
    plain[packet->length] = framing::crc8Maxim(plain, packet->length);
    uint8_t encoded[framing::kMaxEncodedFrame];
    const size_t encodedLength = framing::cobsEncode(plain, packet->length + 1, encoded);
    if (encodedLength != size || std::memcmp(encoded, data, size) != 0) {
        std::abort();
    }
    return 0;
}
