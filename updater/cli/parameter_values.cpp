#include "cli/parameter_values.h"

#include <limits>

#include "cli/updater_settings.h"

namespace {

constexpr uint64_t kSaturated = std::numeric_limits<uint32_t>::max();

int digitValue(char c, int base) {
    int value = base;
    if (c >= '0' && c <= '9') {
        value = c - '0';
    } else if (c >= 'a' && c <= 'f') {
        value = c - 'a' + 10;
    } else if (c >= 'A' && c <= 'F') {
        value = c - 'A' + 10;
    }
    return value < base ? value : -1;
}

// Reads the leading digits of the given base; returns how many characters were used.
size_t readDigits(std::string_view text, int base, uint32_t& result) {
    uint64_t value = 0;
    size_t used = 0;
    for (; used < text.size(); ++used) {
        const int digit = digitValue(text[used], base);
        if (digit < 0) {
            break;
        }
        value = value * static_cast<uint64_t>(base) + static_cast<uint64_t>(digit);
        if (value > kSaturated) {
            value = kSaturated + 1;  // keeps the product from overflowing on long texts
        }
    }
    result = value > kSaturated ? static_cast<uint32_t>(kSaturated) : static_cast<uint32_t>(value);
    return used;
}

uint32_t parseWholeText(std::string_view text, int base) {
    uint32_t value = 0;
    return readDigits(text, base, value) == text.size() ? value : 0;
}

}  // namespace

uint32_t parseSerialDigits(std::string_view text) {
    return parseWholeText(text, 16);
}

uint32_t parseDecimalDigits(std::string_view text) {
    return parseWholeText(text, 10);
}

int parseTransport(std::string_view text) {
    if (text.starts_with("USB")) {
        return TRANSPORT_USB;
    }
    if (text.starts_with("TCP")) {
        return TRANSPORT_TCPIP;
    }
    if (text.starts_with("RECOVER")) {
        return TRANSPORT_RECOVER;
    }
    return TRANSPORT_INVALID;
}

DebugMaskValue parseDebugMask(std::string_view text) {
    uint32_t value = 0;
    if (text.starts_with("0x") || text.starts_with("0X")) {
        const std::string_view digits = text.substr(2);
        const size_t used = readDigits(digits, 16, value);
        // A bare "0x" is the number 0 followed by the unread "x".
        if (used == 0) {
            return {0, text.substr(1)};
        }
        return {value, digits.substr(used)};
    }
    const size_t used = readDigits(text, 10, value);
    return {value, text.substr(used)};
}
