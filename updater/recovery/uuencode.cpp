#include "recovery/uuencode.h"

namespace {

constexpr uint8_t kSixBits = 0x3F;

char s_character(uint32_t value) {
    value &= kSixBits;
    return value == 0 ? '`' : static_cast<char>(value + ' ');
}

}  // namespace

std::string uuencodeLine(std::span<const uint8_t> bytes) {
    std::string line;
    line.reserve(1 + (bytes.size() + 2) / 3 * 4);
    line.push_back(s_character(static_cast<uint32_t>(bytes.size())));
    for (size_t i = 0; i < bytes.size(); i += 3) {
        // A missing last byte or two counts as zero.
        uint32_t group = static_cast<uint32_t>(bytes[i]) << 16;
        if (i + 1 < bytes.size()) {
            group |= static_cast<uint32_t>(bytes[i + 1]) << 8;
        }
        if (i + 2 < bytes.size()) {
            group |= bytes[i + 2];
        }
        for (int shift = 18; shift >= 0; shift -= 6) {
            line.push_back(s_character(group >> shift));
        }
    }
    return line;
}
