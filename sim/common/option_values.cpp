#include "option_values.h"

#include <cctype>
#include <cstdlib>
#include <sstream>

namespace sim {

std::optional<uint32_t> parseUnsigned(const std::string& text, int base, uint32_t maximum) {
    std::string digits = text;
    if (base == kDecimalOrHex) {
        const bool hex = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
        base = hex ? 16 : 10;
        digits = hex ? text.substr(2) : text;
    }
    // strtoull itself would take a sign, leading spaces and a "0x" of its own.
    if (digits.empty() || !std::isxdigit(static_cast<unsigned char>(digits[0]))) {
        return std::nullopt;
    }
    char* end = nullptr;
    const unsigned long long value = std::strtoull(digits.c_str(), &end, base);
    if (*end != '\0' || end == digits.c_str() || value > maximum) {
        return std::nullopt;
    }
    return static_cast<uint32_t>(value);
}

bool readUnsigned(const std::string& text, int base, uint32_t& value) {
    const std::optional<uint32_t> number = parseUnsigned(text, base);
    value = number.value_or(value);
    return number.has_value();
}

std::optional<std::array<uint32_t, 4>> parseWords(const std::string& text, int base) {
    std::array<uint32_t, 4> words{};
    std::istringstream parts(text);
    std::string part;
    size_t count = 0;
    while (std::getline(parts, part, ',')) {
        const std::optional<uint32_t> word = parseUnsigned(part, base);
        if (count == words.size() || !word) {
            return std::nullopt;
        }
        words[count++] = *word;
    }
    if (count != words.size()) {
        return std::nullopt;
    }
    return words;
}

std::string emulatedBusDirectory(const std::string& given) {
    if (!given.empty()) {
        return given;
    }
    const char* fromEnvironment = std::getenv("LYNKOR_USB_EMULATION");
    return fromEnvironment != nullptr ? fromEnvironment : "";
}

}  // namespace sim
