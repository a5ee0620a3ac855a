#include <gtest/gtest.h>

#include <vector>

#include "bird_test_helpers.h"
#include "firmware/bird_file.h"
#include "support/bird_file_builder.h"
#include "unit/updater/log_capture.h"

using bird_test::counting;
using bird_test::loaded;
using testing_support::BirdFileBuilder;

namespace {

std::vector<uint8_t> imageOf(const BirdBlock& block) {
    return {block.body + 4, block.body + block.length};
}

TEST(BirdFileParse, ThreeDeclaredBlocksAndChecksumParseCleanly) {
    LogCapture log(DEBUG_BirdFile);
    auto builder = BirdFileBuilder()
                       .firmware(0x1000, counting(32), 3)
                       .serialOffsets(0x1008, 0x1010)
                       .information("build", "2.15.0", "0000ABCD", "ABC12X")
                       .checksum(0xCAFEF00D);
    BirdFile bird = loaded(builder);

    EXPECT_EQ(bird.blockCount(), 3u);
    EXPECT_EQ(bird.checksum(), 0xCAFEF00Du);
    EXPECT_EQ(bird.magic(), 0x62697264u);
    EXPECT_EQ(bird.formatVersion(), 0x0101);
    EXPECT_EQ(bird.payloadLength(), builder.payload().size());
    EXPECT_TRUE(bird.hasSerialOffsets());
    EXPECT_EQ(bird.serialNumberAddress(), 0x1008u);
    EXPECT_EQ(bird.descriptorAddress(), 0x1010u);

    auto firmware = bird.getBlocks(BIRD_BLOCK_FIRMWARE);
    ASSERT_EQ(firmware.size(), 1u);
    EXPECT_EQ(firmware[0].flags, 3);
    EXPECT_EQ(firmware[0].length, 36u);
    EXPECT_EQ(firmware[0].loadAddress, 0x1000u);
    EXPECT_EQ(imageOf(firmware[0]), counting(32));
    EXPECT_TRUE(bird.getBlocks(BIRD_BLOCK_LOADER).empty());

    EXPECT_TRUE(log.contains("BIRDFILE:\t\t File reports 3 blocks\n"));
    EXPECT_TRUE(log.contains("BIRDFILE:\t\t 01   03   36\n"));
    EXPECT_TRUE(log.contains("BIRDFILE:\t\t \t[ABC12X          ]\n"));
    EXPECT_TRUE(log.contains("BIRDFILE:\t\t File checksum CAFEF00D\n"));
    EXPECT_TRUE(log.contains("BIRDFILE: Offsets: Serial number: 4104, Descriptor: 4112\n"));
    EXPECT_FALSE(log.contains("mismatch"));
}

TEST(BirdFileParse, MismatchesAreLoggedButDoNotFailTheLoad) {
    {
        LogCapture log(DEBUG_BirdFile);
        auto builder = BirdFileBuilder().firmware(0, counting(8)).trailing({0xEE});
        loaded(builder);
        EXPECT_TRUE(
            log.contains("BIRDFILE: Block parsing mismatch in data size. (1 bytes remaining)\n"));
        EXPECT_FALSE(log.contains("number of blocks"));
    }
    {
        LogCapture log(DEBUG_BirdFile);
        BirdFile bird = loaded(BirdFileBuilder().firmware(0, counting(8)).declaredCount(3));
        EXPECT_EQ(bird.blockCount(), 1u);
        EXPECT_TRUE(
            log.contains("BIRDFILE: Block parsing mismatch in number of blocks. (1 != 3)\n"));
    }
}

TEST(BirdFileParse, BlockRunningPastThePayloadIsDropped) {
    LogCapture log(DEBUG_BirdFile);
    // The second block claims 1000 body bytes but only the checksum follows its header.
    auto payload = BirdFileBuilder().firmware(0, counting(8)).payload();
    std::vector<uint8_t> broken(payload.begin(), payload.end() - 4);
    broken.push_back(0x01);
    BirdFileBuilder::appendBigEndian(broken, 1000);
    BirdFileBuilder::appendBigEndian(broken, 0x11223344);
    BirdFile bird;
    ASSERT_TRUE(
        bird.loadFromBuffer("x", BirdFileBuilder().withHeader(BirdFileBuilder::compress(broken))));
    EXPECT_EQ(bird.blockCount(), 1u);
    EXPECT_TRUE(log.contains("mismatch in data size"));
}

TEST(BirdFileParse, PayloadNeedingMoreThanEightTimesItsSizeFailsWithTheZlibError) {
    LogCapture log(DEBUG_BirdFile);
    auto payload = BirdFileBuilder().firmware(0, std::vector<uint8_t>(4000, 0)).payload();
    auto compressed = BirdFileBuilder::compress(payload);
    ASSERT_GT(payload.size(), 8 * compressed.size());
    BirdFile bird;
    EXPECT_FALSE(bird.loadFromBuffer("x", BirdFileBuilder().withHeader(compressed)));
    EXPECT_EQ(bird.payloadLength(), 0u);
    EXPECT_EQ(bird.blockCount(), 0u);
    EXPECT_TRUE(log.contains("BIRDFILE: Error (-5) decompressing bird file.\n"));
}

TEST(BirdFileParse, DecompressionRoomIsExactlyEightTimesTheStream) {
    // Search for payloads of exactly 8 x and 8 x + 1 their compressed size.
    std::vector<uint8_t> exact;
    std::vector<uint8_t> oneOver;
    for (size_t zeros = 0; zeros < 4000 && (exact.empty() || oneOver.empty()); ++zeros) {
        std::vector<uint8_t> payload(40);
        for (size_t i = 0; i < payload.size(); ++i) {
            payload[i] = static_cast<uint8_t>((i * 37 + 11) % 251);
        }
        payload.resize(payload.size() + zeros, 0);
        const auto compressed = BirdFileBuilder::compress(payload);
        if (payload.size() == 8 * compressed.size()) {
            exact = BirdFileBuilder().withHeader(compressed);
        } else if (payload.size() == 8 * compressed.size() + 1) {
            oneOver = BirdFileBuilder().withHeader(compressed);
        }
    }
    ASSERT_FALSE(exact.empty());
    ASSERT_FALSE(oneOver.empty());
    EXPECT_TRUE(BirdFile().loadFromBuffer("x", exact));
    EXPECT_FALSE(BirdFile().loadFromBuffer("x", oneOver));
}

TEST(BirdFileParse, CorruptOrTruncatedStreamsAndTinyPayloadsAreSafe) {
    auto good = BirdFileBuilder().firmware(0x10, counting(64)).fileBytes();
    {
        LogCapture log(DEBUG_BirdFile);
        std::vector<uint8_t> truncated(good.begin(), good.end() - 10);
        EXPECT_FALSE(BirdFile().loadFromBuffer("x", truncated));
        EXPECT_TRUE(log.contains("decompressing bird file"));
    }
    {
        std::vector<uint8_t> corrupt = good;
        corrupt[20] ^= 0xFF;
        EXPECT_FALSE(BirdFile().loadFromBuffer("x", corrupt));
    }
    {
        std::vector<uint8_t> headerOnly(good.begin(), good.begin() + 6);
        EXPECT_FALSE(BirdFile().loadFromBuffer("x", headerOnly));
    }
    // Payloads shorter than a count or a block header load without a single block.
    for (std::vector<uint8_t> payload : {std::vector<uint8_t>{}, std::vector<uint8_t>{0, 0},
                                         std::vector<uint8_t>{0, 0, 0, 1, 1, 0, 0, 0}}) {
        BirdFile bird;
        EXPECT_TRUE(bird.loadFromBuffer(
            "x", BirdFileBuilder().withHeader(BirdFileBuilder::compress(payload))));
        EXPECT_EQ(bird.blockCount(), 0u);
        EXPECT_FALSE(bird.setSerialNumber(1));
        EXPECT_EQ(bird.getVersion(), "");
    }
}

TEST(BirdFileQueries, VersionModelAndSerialComeFromTheFirstInformationBlock) {
    LogCapture log(DEBUG_BirdFile);
    BirdFile bird = loaded(BirdFileBuilder()
                               .information("first", "2.15.0", "0000ABCDxyz", "ABC12X")
                               .information("other", "9.9.9", "11111111", "ZZZ"));
    EXPECT_EQ(bird.getVersion(), "2.15.0");
    EXPECT_TRUE(bird.matchesModel("ABC12X"));
    EXPECT_TRUE(log.contains("Model matches model number ([ABC12X] == [ABC12X])\n"));
    EXPECT_TRUE(bird.matchesModel("ABC12"));
    EXPECT_FALSE(bird.matchesModel("ABC12XY"));
    EXPECT_FALSE(bird.matchesModel("abc12x"));
    EXPECT_FALSE(bird.matchesModel("ZZZ"));
    EXPECT_TRUE(bird.matchesSerialNumber(0x0000ABCD));
    EXPECT_FALSE(bird.matchesSerialNumber(0x11111111));

    // Reading stops at the first character that is not a hexadecimal digit.
    BirdFile shortSerial = loaded(BirdFileBuilder().information("", "1.0", "AB-CD", "M"));
    EXPECT_TRUE(shortSerial.matchesSerialNumber(0xAB));
}

TEST(BirdFileQueries, MissingOrShortInformationBlockAnswersNothing) {
    BirdFile none = loaded(BirdFileBuilder().firmware(0, counting(4)));
    EXPECT_EQ(none.getVersion(), "");
    EXPECT_FALSE(none.matchesModel("ABC"));
    EXPECT_FALSE(none.matchesSerialNumber(0));

    std::vector<uint8_t> shortBody(63, '1');
    BirdFile shortInfo = loaded(BirdFileBuilder().block(BIRD_BLOCK_INFORMATION, 0, shortBody));
    EXPECT_EQ(shortInfo.blockCount(), 1u);
    EXPECT_EQ(shortInfo.getVersion(), "");
    EXPECT_FALSE(shortInfo.matchesModel("1"));
    EXPECT_FALSE(shortInfo.matchesSerialNumber(0x11111111));
}

}  // namespace
