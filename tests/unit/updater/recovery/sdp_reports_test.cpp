// The serial download reports: command layout, data reports and the status words of complete
// answers on HID and on a serial line.
#include "recovery/sdp_reports.h"

#include <gtest/gtest.h>

#include <optional>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

TEST(SdpReports, CommandsAreBigEndianInSeventeenByteReports) {
    struct Case {
        const char* name;
        sdp::CommandReport report;
        Bytes expected;
    };
    const Case cases[] = {
        {"error status",
         sdp::commandReport(sdp::kErrorStatus),
         {1, 0x05, 0x05, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
        {"write file",
         sdp::commandReport(sdp::kWriteFile, 0x20001234, sdp::kWriteFileFormat, 1025),
         {1, 0x04, 0x04, 0x20, 0x00, 0x12, 0x34, 0x20, 0, 0, 0x04, 0x01, 0, 0, 0, 0, 0}},
        {"empty write file",
         sdp::commandReport(sdp::kWriteFile, 0x20000000, 0x20, 0),
         {1, 0x04, 0x04, 0x20, 0, 0, 0, 0x20, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
        {"jump",
         sdp::commandReport(sdp::kJumpAddress, 0x20000400),
         {1, 0x0B, 0x0B, 0x20, 0x00, 0x04, 0x00, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Bytes(c.report.begin(), c.report.end()), c.expected) << c.name;
    }
}

TEST(SdpReports, DataReportsCarryIdTwoBeforeTheBytes) {
    const Bytes chunk{0xAA, 0xBB, 0xCC};
    EXPECT_EQ(sdp::dataReport(chunk), (Bytes{2, 0xAA, 0xBB, 0xCC}));
    EXPECT_EQ(sdp::dataReport({}), Bytes{2});
}

// A HID answer: report 3 with the HAB mode, report 4 whose first words are 0x88888888 and
// 0x11223344; `size` trims or pads it.
Bytes s_hidAnswer(size_t size) {
    Bytes answer{3, 0x56, 0x78, 0x78, 0x56, 4, 0x88, 0x88, 0x88, 0x88, 0x44, 0x33, 0x22, 0x11};
    answer.resize(size, 0xEE);
    return answer;
}

TEST(SdpReports, HidStatusNeedsExactlyTheSeventyBytesOfBothReports) {
    struct Case {
        size_t size;
        size_t index;
        std::optional<uint32_t> expected;
    };
    const Case cases[] = {
        {70, 0, 0x88888888},   {70, 1, 0x11223344},   {70, 15, 0xEEEEEEEE},  {70, 16, std::nullopt},
        {69, 0, std::nullopt}, {71, 0, std::nullopt}, {10, 0, std::nullopt}, {0, 0, std::nullopt},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(sdp::hidStatusWord(s_hidAnswer(c.size), c.index), c.expected)
            << c.size << " bytes, index " << c.index;
    }
}

TEST(SdpReports, SerialStatusFollowsTheFourBytesOfHabMode) {
    const Bytes answer{0x56, 0x78, 0x78, 0x56, 0x88, 0x88, 0x88, 0x88, 0x04, 0x03, 0x02, 0x01};
    struct Case {
        size_t size;
        size_t index;
        std::optional<uint32_t> expected;
    };
    const Case cases[] = {
        {12, 0, 0x88888888},   {8, 0, 0x88888888},   {12, 1, 0x01020304},
        {11, 1, std::nullopt}, {7, 0, std::nullopt}, {12, 16, std::nullopt},
    };
    for (const Case& c : cases) {
        const Bytes response(answer.begin(), answer.begin() + static_cast<ptrdiff_t>(c.size));
        EXPECT_EQ(sdp::serialStatusWord(response, c.index), c.expected)
            << c.size << " bytes, index " << c.index;
    }
}

}  // namespace
