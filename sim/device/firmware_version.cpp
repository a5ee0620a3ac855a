#include "firmware_version.h"

#include <cstdio>
#include <sstream>

#include "option_values.h"

namespace sim {

namespace {

constexpr uint32_t kCurrentLayout = 0x2F;
constexpr int kParts = 3;
constexpr uint32_t kPartMaximum = 255;

}  // namespace

std::optional<uint32_t> parseFirmwareVersion(const std::string& text) {
    if (text.find('.') == std::string::npos) {
        return parseUnsigned(text);
    }
    std::istringstream parts(text);
    std::string part;
    uint32_t packed = kCurrentLayout;
    int count = 0;
    while (std::getline(parts, part, '.')) {
        const std::optional<uint32_t> number = parseUnsigned(part, 10, kPartMaximum);
        if (++count > kParts || !number) {
            return std::nullopt;
        }
        packed = packed << 8 | *number;
    }
    if (count != kParts) {
        return std::nullopt;
    }
    return packed;
}

std::string firmwareVersionText(uint32_t packed) {
    char text[16];
    if (packed >> 24 == kCurrentLayout) {
        std::snprintf(text, sizeof text, "%u.%u.%u", (packed >> 16) & 0xFF, (packed >> 8) & 0xFF,
                      packed & 0xFF);
    } else {
        std::snprintf(text, sizeof text, "0x%08X", packed);
    }
    return text;
}

}  // namespace sim
