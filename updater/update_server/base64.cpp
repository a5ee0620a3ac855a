#include "update_server/base64.h"

#include <array>

namespace {

constexpr std::string_view kAlphabet =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
constexpr uint8_t kNotInAlphabet = 0xFF;
constexpr char kPadding = '=';

constexpr std::array<uint8_t, 256> makeDecodeTable() {
    std::array<uint8_t, 256> table{};
    table.fill(kNotInAlphabet);
    for (size_t i = 0; i < kAlphabet.size(); ++i) {
        table[static_cast<uint8_t>(kAlphabet[i])] = static_cast<uint8_t>(i);
    }
    return table;
}

constexpr std::array<uint8_t, 256> kDecodeTable = makeDecodeTable();

size_t paddingLength(std::string_view text) {
    size_t padding = 0;
    if (!text.empty() && text.back() == kPadding) {
        ++padding;
        if (text.size() >= 2 && text[text.size() - 2] == kPadding) {
            ++padding;
        }
    }
    return padding;
}

}  // namespace

std::optional<std::vector<uint8_t>> base64Decode(std::string_view text) {
    if (text.size() % 4 != 0) {
        return std::nullopt;
    }
    const size_t padding = paddingLength(text);
    const size_t dataLength = text.size() - padding;
    const size_t decodedLength = text.size() / 4 * 3 - padding;

    std::vector<uint8_t> bytes;
    bytes.reserve(decodedLength);
    uint32_t group = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        uint8_t value = 0;
        if (i < dataLength) {
            value = kDecodeTable[static_cast<uint8_t>(text[i])];
            if (value == kNotInAlphabet) {
                return std::nullopt;
            }
        }
        group = (group << 6) | value;
        if (i % 4 == 3) {
            for (int shift = 16; shift >= 0 && bytes.size() < decodedLength; shift -= 8) {
                bytes.push_back(static_cast<uint8_t>(group >> shift));
            }
            group = 0;
        }
    }
    return bytes;
}
