#include "byte_string.h"

#include <cctype>

namespace sim {

std::string toHex(const Bytes& bytes) {
    static const char digits[] = "0123456789ABCDEF";
    std::string text;
    text.reserve(bytes.size() * 2);
    for (uint8_t byte : bytes) {
        text.push_back(digits[byte >> 4]);
        text.push_back(digits[byte & 0x0F]);
    }
    return text;
}

uint32_t digestOf(const Bytes& bytes) {
    uint32_t hash = 2166136261u;
    for (uint8_t byte : bytes) {
        hash = (hash ^ byte) * 16777619u;
    }
    return hash;
}

void appendBigEndian(Bytes& bytes, uint32_t value, size_t count) {
    for (size_t i = count; i > 0; --i) {
        bytes.push_back(static_cast<uint8_t>(value >> (8 * (i - 1))));
    }
}

uint32_t readBigEndian(const uint8_t* bytes, size_t count) {
    uint32_t value = 0;
    for (size_t i = 0; i < count; ++i) {
        value = value << 8 | bytes[i];
    }
    return value;
}

namespace {

int s_digit(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return c >= 'A' && c <= 'F' ? c - 'A' + 10 : -1;
}

}  // namespace

bool fromHex(std::string_view text, Bytes& bytes) {
    bytes.clear();
    size_t i = 0;
    while (i < text.size()) {
        if (text[i] == ' ') {
            ++i;
            continue;
        }
        if (i + 1 >= text.size()) {
            return false;
        }
        int high = s_digit(text[i]);
        int low = s_digit(text[i + 1]);
        if (high < 0 || low < 0) {
            return false;
        }
        bytes.push_back(static_cast<uint8_t>(high << 4 | low));
        i += 2;
    }
    return true;
}

}  // namespace sim
