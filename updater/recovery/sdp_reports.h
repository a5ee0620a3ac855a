#pragma once

// The reports of the i.MX boot ROM's serial download protocol: the commands we send and the
// status words in the ROM's answers. Multi-byte command fields are big-endian; status words
// come little-endian.
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace sdp {

// Report IDs. On HID each report starts with one; on a serial line they are left out.
constexpr uint8_t kCommandReportId = 1;
constexpr uint8_t kDataReportId = 2;
constexpr uint8_t kHabModeReportId = 3;
constexpr uint8_t kStatusReportId = 4;

enum CommandType : uint16_t {
    kWriteFile = 0x0404,
    kErrorStatus = 0x0505,
    kJumpAddress = 0x0B0B,
};
constexpr uint8_t kWriteFileFormat = 0x20;

constexpr size_t kCommandSize = 16;
constexpr size_t kCommandReportSize = 1 + kCommandSize;
constexpr size_t kMaxDataPerReport = 1024;

// The status word after a completed write file.
constexpr uint32_t kWriteFileComplete = 0x88888888;

// A complete answer on HID: the HAB-mode report (ID and 4 bytes), then the status report (ID and
// 64 bytes) whose first data bytes are the status word.
constexpr size_t kHabModeReportSize = 5;
constexpr size_t kStatusReportSize = 65;
constexpr size_t kHidResponseSize = kHabModeReportSize + kStatusReportSize;
constexpr size_t kHidStatusOffset = kHabModeReportSize + 1;
// On a serial line: the 4 bytes of HAB mode, then the status word.
constexpr size_t kSerialStatusOffset = 4;
constexpr size_t kStatusWordCount = 16;

using CommandReport = std::array<uint8_t, kCommandReportSize>;

// The command report: ID 1, type, address, format, data count, zero padding.
CommandReport commandReport(CommandType type, uint32_t address = 0, uint8_t format = 0,
                            uint32_t count = 0);
// ID 2 followed by the chunk (at most kMaxDataPerReport bytes).
std::vector<uint8_t> dataReport(std::span<const uint8_t> chunk);

// Status word `index` of a complete answer, or nothing when the answer is not complete: on HID
// exactly kHidResponseSize bytes, on a serial line at least 4 * index + 8 bytes.
std::optional<uint32_t> hidStatusWord(std::span<const uint8_t> response, size_t index);
std::optional<uint32_t> serialStatusWord(std::span<const uint8_t> response, size_t index);

// Bytes as upper-case hexadecimal pairs, 16 to a line, for the diagnostics.
std::string hexDump(std::span<const uint8_t> bytes);

}  // namespace sdp
