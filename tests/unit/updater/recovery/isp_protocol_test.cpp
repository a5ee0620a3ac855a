// The pure rules of the boot-loader dialogue: rate choice, the flash sector map, copy counts,
// the line encoding of data and the readers of the chip's answers.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "recovery/isp_answers.h"
#include "recovery/isp_protocol.h"
#include "recovery/uuencode.h"

namespace {

TEST(IspRateChoice, RequestSelectsTheSmallestListedRateNotBelowIt) {
    const struct {
        uint32_t requested;
        uint32_t chosen;
    } cases[] = {
        {0, 2400},        {1200, 2400},   {2400, 2400},     {2401, 4800},       {9600, 9600},
        {9601, 19200},    {57600, 57600}, {100000, 115200}, {115200, 115200},   {115201, 230400},
        {230400, 230400}, {230401, 9600}, {460800, 9600},   {UINT32_MAX, 9600},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(kIspRates[ispRateIndex(c.requested)], c.chosen) << c.requested;
    }
    EXPECT_EQ(ispRateIndex(2400), 0u);
    EXPECT_EQ(ispRateIndex(230400), 7u);
}

TEST(IspFlashMap, AddressesMapToTheirSectors) {
    const struct {
        uint32_t address;
        uint32_t sector;
    } cases[] = {
        {0x00000, 0},  {0x00FFF, 0},  {0x01000, 1},  {0x0F000, 15}, {0x0FFFF, 15}, {0x10000, 16},
        {0x17FFF, 16}, {0x18000, 17}, {0x78000, 29}, {0x7FFFF, 29}, {0x80000, 30}, {0x10000000, 30},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ispFlashSector(c.address), c.sector) << std::hex << c.address;
    }
}

TEST(IspCopyCount, ChunksRoundUpToTheCountsACopyTakes) {
    const struct {
        uint32_t length;
        uint32_t count;
    } cases[] = {
        {1, 256},    {4, 256},     {256, 256},   {257, 512},   {512, 512},
        {513, 1024}, {1024, 1024}, {1025, 4096}, {4096, 4096}, {5000, 5000},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ispCopyCount(c.length), c.count) << c.length;
    }
    for (uint32_t count : {256u, 512u, 1024u, 4096u}) {
        EXPECT_TRUE(isIspCopyCount(count)) << count;
    }
    for (uint32_t count : {0u, 4u, 300u, 2048u, 8192u}) {
        EXPECT_FALSE(isIspCopyCount(count)) << count;
    }
}

std::vector<uint8_t> bytesOf(const std::string& text) {
    return std::vector<uint8_t>(text.begin(), text.end());
}

TEST(IspUuencode, LinesCarryTheirLengthAndNeverASpace) {
    const struct {
        std::vector<uint8_t> bytes;
        std::string line;
    } cases[] = {
        {bytesOf("Cat"), "#0V%T"},     {{0x00}, "!````"},
        {{0x00, 0x00, 0x00}, "#````"}, {{0xFF}, "!_P``"},
        {{0xFF, 0xFF}, "\"__\\`"},     {{0xFF, 0xFF, 0xFF}, "#____"},
        {bytesOf("ab"), "\"86(`"},     {{}, "`"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(uuencodeLine(c.bytes), c.line);
    }

    std::vector<uint8_t> full(45);
    for (size_t i = 0; i < full.size(); ++i) {
        full[i] = static_cast<uint8_t>(i * 37);
    }
    const std::string line = uuencodeLine(full);
    EXPECT_EQ(line.front(), 'M');
    EXPECT_EQ(line.size(), 61u);
    EXPECT_EQ(uuencodeLine(std::vector<uint8_t>(1, 0x41)).front(), '!');
    // Every zero group, whatever its place, goes as the grave accent.
    for (int value = 0; value < 256; ++value) {
        std::vector<uint8_t> bytes(45, static_cast<uint8_t>(value));
        EXPECT_EQ(uuencodeLine(bytes).find(' '), std::string::npos) << value;
    }
}

TEST(IspAnswers, NumberLinesReadOnlyWhenWhole) {
    const struct {
        std::string line;
        std::optional<uint32_t> value;
    } cases[] = {
        {"0\r\n", 0},
        {"19\r\n", 19},
        {"439041101\r\n", 439041101},
        {"4294967295\r\n", 4294967295u},
        {"0x1F\r\n", 31},
        {"0X1f\r\n", 31},
        {"017\r\n", 15},
        {"00\r\n", 0},
        {"4294967296\r\n", std::nullopt},
        {"0x100000000\r\n", std::nullopt},
        {"10", std::nullopt},
        {"10\r", std::nullopt},
        {"10\n", std::nullopt},
        {"\r\n", std::nullopt},
        {"1 0\r\n", std::nullopt},
        {" 0\r\n", std::nullopt},
        {"-1\r\n", std::nullopt},
        {"+1\r\n", std::nullopt},
        {"08\r\n", std::nullopt},
        {"0x\r\n", std::nullopt},
        {"12abc\r\n", std::nullopt},
        {"0\r\n\r\n", std::nullopt},
        {"RESEND\r\n", std::nullopt},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(parseIspNumber(c.line), c.value) << c.line;
    }
}

TEST(IspAnswers, ReturnCodesAreNamedByTheirWholeNumber) {
    const struct {
        std::string text;
        std::string name;
    } cases[] = {
        {"0", "CMD_SUCCESS"},
        {"1", "INVALID_COMMAND"},
        {"9", "SECTOR_NOT_PREPARED_FOR_WRITE_OPERATION"},
        {"10", "COMPARE_ERROR"},
        {"15", "CMD_LOCKED"},
        {"19", "CODE_READ_PROTECTION_ENABLED"},
        {"0x13", "CODE_READ_PROTECTION_ENABLED"},
        {"023", "CODE_READ_PROTECTION_ENABLED"},
        {"20", "Unknown error"},
        {"21", "Unknown error"},
        {"-1", "Unknown error"},
        {"", "Unknown error"},
        {"garbage", "Unknown error"},
        {"1x", "Unknown error"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ispReturnCodeName(c.text), c.name) << c.text;
    }
    EXPECT_EQ(ispLineText("19\r\n"), "19");
    EXPECT_EQ(ispLineText("OK\r\n\r\n"), "OK");
    EXPECT_EQ(ispLineText(""), "");
}

}  // namespace
