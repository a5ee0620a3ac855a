#include "recovery/sdp_reports.h"

#include <cstdio>

namespace sdp {
namespace {

constexpr size_t kDumpBytesPerLine = 16;

void s_putBigEndian(uint8_t* at, uint32_t value, size_t size) {
    for (size_t i = 0; i < size; ++i) {
        at[i] = static_cast<uint8_t>(value >> (8 * (size - 1 - i)));
    }
}

uint32_t s_littleEndian(std::span<const uint8_t> bytes, size_t offset) {
    return static_cast<uint32_t>(bytes[offset]) | static_cast<uint32_t>(bytes[offset + 1]) << 8 |
           static_cast<uint32_t>(bytes[offset + 2]) << 16 |
           static_cast<uint32_t>(bytes[offset + 3]) << 24;
}

}  // namespace

CommandReport commandReport(CommandType type, uint32_t address, uint8_t format, uint32_t count) {
    CommandReport report{};
    report[0] = kCommandReportId;
    s_putBigEndian(&report[1], type, 2);
    s_putBigEndian(&report[3], address, 4);
    report[7] = format;
    s_putBigEndian(&report[8], count, 4);
    return report;
}

std::vector<uint8_t> dataReport(std::span<const uint8_t> chunk) {
    std::vector<uint8_t> report;
    report.reserve(1 + chunk.size());
    report.push_back(kDataReportId);
    report.insert(report.end(), chunk.begin(), chunk.end());
    return report;
}

std::optional<uint32_t> hidStatusWord(std::span<const uint8_t> response, size_t index) {
    if (response.size() != kHidResponseSize || index >= kStatusWordCount) {
        return std::nullopt;
    }
    return s_littleEndian(response, kHidStatusOffset + 4 * index);
}

std::optional<uint32_t> serialStatusWord(std::span<const uint8_t> response, size_t index) {
    if (index >= kStatusWordCount || response.size() < kSerialStatusOffset + 4 * index + 4) {
        return std::nullopt;
    }
    return s_littleEndian(response, kSerialStatusOffset + 4 * index);
}

std::string hexDump(std::span<const uint8_t> bytes) {
    std::string text;
    for (size_t i = 0; i < bytes.size(); ++i) {
        char pair[4];
        std::snprintf(pair, sizeof pair, "%02X", bytes[i]);
        text += pair;
        const bool lineEnd =
            i % kDumpBytesPerLine == kDumpBytesPerLine - 1 || i + 1 == bytes.size();
        text += lineEnd ? '\n' : ' ';
    }
    return text;
}

}  // namespace sdp
