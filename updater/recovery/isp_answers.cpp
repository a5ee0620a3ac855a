#include "recovery/isp_answers.h"

#include <array>
#include <limits>

namespace {

constexpr std::string_view kLineEnd = "\r\n";

constexpr std::array<const char*, 20> kReturnCodeNames = {
    "CMD_SUCCESS",         "INVALID_COMMAND",
    "SRC_ADDR_ERROR",      "DST_ADDR_ERROR",
    "SRC_ADDR_NOT_MAPPED", "DST_ADDR_NOT_MAPPED",
    "COUNT_ERROR",         "INVALID_SECTOR",
    "SECTOR_NOT_BLANK",    "SECTOR_NOT_PREPARED_FOR_WRITE_OPERATION",
    "COMPARE_ERROR",       "BUSY",
    "PARAM_ERROR",         "ADDR_ERROR",
    "ADDR_NOT_MAPPED",     "CMD_LOCKED",
    "INVALID_CODE",        "INVALID_BAUD_RATE",
    "INVALID_STOP_BIT",    "CODE_READ_PROTECTION_ENABLED",
};
constexpr const char* kUnknownCodeName = "Unknown error";

std::optional<uint32_t> s_digitValue(char c, uint32_t base) {
    uint32_t value = 0;
    if (c >= '0' && c <= '9') {
        value = static_cast<uint32_t>(c - '0');
    } else if (c >= 'a' && c <= 'f') {
        value = static_cast<uint32_t>(c - 'a' + 10);
    } else if (c >= 'A' && c <= 'F') {
        value = static_cast<uint32_t>(c - 'A' + 10);
    } else {
        return std::nullopt;
    }
    if (value >= base) {
        return std::nullopt;
    }
    return value;
}

// The whole text as a number whose base follows its prefix.
std::optional<uint32_t> s_parseNumber(std::string_view text) {
    uint32_t base = 10;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        base = 16;
        text.remove_prefix(2);
    } else if (text.size() > 1 && text[0] == '0') {
        base = 8;
        text.remove_prefix(1);
    }
    if (text.empty()) {
        return std::nullopt;
    }
    uint64_t value = 0;
    for (char c : text) {
        std::optional<uint32_t> digit = s_digitValue(c, base);
        if (!digit) {
            return std::nullopt;
        }
        value = value * base + *digit;
        if (value > std::numeric_limits<uint32_t>::max()) {
            return std::nullopt;
        }
    }
    return static_cast<uint32_t>(value);
}

}  // namespace

std::optional<uint32_t> parseIspNumber(std::string_view line) {
    if (line.size() < kLineEnd.size() || !line.ends_with(kLineEnd)) {
        return std::nullopt;
    }
    line.remove_suffix(kLineEnd.size());
    return s_parseNumber(line);
}

const char* ispReturnCodeName(std::string_view codeText) {
    std::optional<uint32_t> code = s_parseNumber(codeText);
    if (!code || *code >= kReturnCodeNames.size()) {
        return kUnknownCodeName;
    }
    return kReturnCodeNames[*code];
}

std::string_view ispLineText(std::string_view line) {
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) {
        line.remove_suffix(1);
    }
    return line;
}
