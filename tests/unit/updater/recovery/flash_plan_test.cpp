// How firmware images are cut into staged chunks for the chip's flash, and which files are
// refused before the chip is touched.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "firmware/bird_file.h"
#include "recovery/flash_plan.h"
#include "support/bird_file_builder.h"

namespace {

using testing_support::BirdFileBuilder;

BirdFile loaded(const BirdFileBuilder& builder) {
    BirdFile bird;
    EXPECT_TRUE(bird.loadFromBuffer("plan.bird", builder.fileBytes()));
    return bird;
}

std::optional<FlashPlan> plan(const BirdFileBuilder& builder, std::string* reason = nullptr) {
    std::string why;
    std::optional<FlashPlan> planned = planFlash(loaded(builder), why);
    if (reason != nullptr) {
        *reason = why;
    }
    return planned;
}

TEST(FlashPlan, ChunksCoverEachSectorTheirCopyTouches) {
    const struct {
        uint32_t address;
        size_t length;
        // Per chunk: flash address, bytes staged, first and last sector.
        std::vector<std::vector<uint32_t>> chunks;
    } cases[] = {
        {0x0000, 4096, {{0x0000, 4096, 0, 0}}},
        {0x0000, 100, {{0x0000, 256, 0, 0}}},
        // The copy of 300 bytes takes 512 and reaches into the next sector.
        {0x0F00, 300, {{0x0F00, 512, 0, 1}}},
        // The last byte of the image is in sector 0, the rounded copy is not.
        {0x0E00, 256, {{0x0E00, 256, 0, 0}}},
        {0x0E00, 257, {{0x0E00, 512, 0, 0}}},
        {0x0E00, 600, {{0x0E00, 1024, 0, 1}}},
        {0x0E00, 5000, {{0x0E00, 4096, 0, 1}, {0x1E00, 1024, 1, 2}}},
        {0xF000, 8192, {{0xF000, 4096, 15, 15}, {0x10000, 4096, 16, 16}}},
        {0x78000,
         0x8000,
         {{0x78000, 4096, 29, 29},
          {0x79000, 4096, 29, 29},
          {0x7A000, 4096, 29, 29},
          {0x7B000, 4096, 29, 29},
          {0x7C000, 4096, 29, 29},
          {0x7D000, 4096, 29, 29},
          {0x7E000, 4096, 29, 29},
          {0x7F000, 4096, 29, 29}}},
    };
    for (const auto& c : cases) {
        auto planned = plan(BirdFileBuilder().firmware(
            c.address, BirdFileBuilder::noiseImage(c.length, static_cast<uint32_t>(c.length))));
        ASSERT_TRUE(planned) << std::hex << c.address;
        ASSERT_EQ(planned->blocks.size(), 1u);
        const FlashBlock& block = planned->blocks[0];
        ASSERT_EQ(block.chunks.size(), c.chunks.size()) << std::hex << c.address;
        for (size_t i = 0; i < c.chunks.size(); ++i) {
            const FlashChunk& chunk = block.chunks[i];
            EXPECT_EQ(chunk.flashAddress, c.chunks[i][0]);
            EXPECT_EQ(chunk.staged.size(), c.chunks[i][1]);
            EXPECT_EQ(chunk.firstSector, c.chunks[i][2]) << std::hex << chunk.flashAddress;
            EXPECT_EQ(chunk.lastSector, c.chunks[i][3]) << std::hex << chunk.flashAddress;
        }
    }
}

TEST(FlashPlan, StagedChunksHoldTheImageAndErasedPadding) {
    // 4097 bytes: a full chunk, then one byte that still takes a whole copy; an image whose
    // length is not a multiple of 4 must not reach the chip that way.
    const std::vector<uint8_t> image = BirdFileBuilder::noiseImage(4097, 7);
    auto planned = plan(BirdFileBuilder().firmware(0x2000, image));
    ASSERT_TRUE(planned);
    const auto& chunks = planned->blocks.at(0).chunks;
    ASSERT_EQ(chunks.size(), 2u);
    EXPECT_EQ(std::vector<uint8_t>(chunks[0].staged.begin(), chunks[0].staged.end()),
              std::vector<uint8_t>(image.begin(), image.begin() + 4096));
    EXPECT_EQ(chunks[0].imageBytes, 4096u);
    ASSERT_EQ(chunks[1].staged.size(), 256u);
    EXPECT_EQ(chunks[1].staged[0], image[4096]);
    EXPECT_EQ(chunks[1].imageBytes, 1u);
    for (size_t i = 1; i < chunks[1].staged.size(); ++i) {
        ASSERT_EQ(chunks[1].staged[i], 0xFF) << i;
    }
    EXPECT_EQ(planned->imageBytes, 4097u);
}

TEST(FlashPlan, EndMarkerStopsTheBlocksAndIsNotCounted) {
    auto planned = plan(BirdFileBuilder()
                            .information("Norvane", "1.0.0", "40F5849A", "Relay4")
                            .firmware(0x0000, BirdFileBuilder::noiseImage(1000, 1))
                            .firmware(0x10000, BirdFileBuilder::noiseImage(2000, 2))
                            .firmware(0x0, {0xDE, 0xAD, 0xBE, 0xEF})
                            .firmware(0x20000, BirdFileBuilder::noiseImage(100, 3)));
    ASSERT_TRUE(planned);
    ASSERT_EQ(planned->blocks.size(), 2u);
    EXPECT_EQ(planned->blocks[0].loadAddress, 0x0000u);
    EXPECT_EQ(planned->blocks[1].loadAddress, 0x10000u);
    EXPECT_EQ(planned->shownBlockCount, 3);
    EXPECT_EQ(planned->imageBytes, 3000u);
}

TEST(FlashPlan, FilesThatCannotBeWrittenWholeAreRefused) {
    const struct {
        const char* name;
        BirdFileBuilder builder;
        std::string reason;
    } cases[] = {
        {"off a page", BirdFileBuilder().firmware(0x1080, BirdFileBuilder::noiseImage(64, 1)),
         "Firmware block 1 at 00001080 does not start on a flash page"},
        {"past the end", BirdFileBuilder().firmware(0x7F000, BirdFileBuilder::noiseImage(8192, 1)),
         "Firmware block 1 at 0007F000 does not fit in the flash"},
        {"padding past the end",
         BirdFileBuilder().firmware(0x7FF00, BirdFileBuilder::noiseImage(300, 1)),
         "Firmware block 1 at 0007FF00 does not fit in the flash"},
        {"far address", BirdFileBuilder().firmware(0xFFFFFF00, BirdFileBuilder::noiseImage(512, 1)),
         "Firmware block 1 at FFFFFF00 does not fit in the flash"},
        {"short body",
         BirdFileBuilder()
             .firmware(0x0, BirdFileBuilder::noiseImage(256, 1))
             .block(BirdFileBuilder::kFirmware, 0, {0x00, 0x01}),
         "Firmware block 2 at 00000000 holds no load address"},
        {"no firmware", BirdFileBuilder().information("Norvane", "1.0.0", "40F5849A", "Relay4"),
         "The bird file holds no firmware image"},
        {"only the end marker", BirdFileBuilder().firmware(0x0, {1, 2, 3, 4}),
         "The bird file holds no firmware image"},
    };
    for (const auto& c : cases) {
        std::string reason;
        EXPECT_FALSE(plan(c.builder, &reason)) << c.name;
        EXPECT_EQ(reason, c.reason) << c.name;
    }
    // The last page of the flash is still flash.
    EXPECT_TRUE(plan(BirdFileBuilder().firmware(0x7FF00, BirdFileBuilder::noiseImage(256, 1))));
}

}  // namespace
