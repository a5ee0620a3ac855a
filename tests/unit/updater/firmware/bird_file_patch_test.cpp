#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <type_traits>
#include <vector>

#include "bird_test_helpers.h"
#include "firmware/bird_file.h"
#include "support/bird_file_builder.h"

using bird_test::counting;
using bird_test::loaded;
using testing_support::BirdFileBuilder;

namespace {

std::vector<std::vector<uint8_t>> firmwareImages(const BirdFile& bird) {
    std::vector<std::vector<uint8_t>> images;
    for (const BirdBlock& block : bird.getBlocks(BIRD_BLOCK_FIRMWARE)) {
        images.emplace_back(block.body + 4, block.body + block.length);
    }
    return images;
}

TEST(BirdFileSerialNumber, WritesOnlyTheBlockHoldingTheAddresses) {
    const auto first = counting(0x40);
    const auto second = counting(0x40, 0x80);
    // Serial at image offset 0x08 and descriptor at 0x20 of the second block (loaded at 0x2000).
    BirdFile bird = loaded(BirdFileBuilder()
                               .loader(0x2000, counting(0x40, 0x40))
                               .firmware(0x1000, first)
                               .firmware(0x2000, second)
                               .serialOffsets(0x2008, 0x2020));
    const auto loaderBefore = bird.getBlocks(BIRD_BLOCK_LOADER);

    EXPECT_TRUE(bird.setSerialNumber(0x40F5849A));

    auto images = firmwareImages(bird);
    ASSERT_EQ(images.size(), 2u);
    EXPECT_EQ(images[0], first);
    auto expected = second;
    expected[0x08] = 0x9A;
    expected[0x09] = 0x84;
    expected[0x0A] = 0xF5;
    expected[0x0B] = 0x40;
    // "40F5849A" in the low byte of each UTF-16LE code unit; the high bytes stay.
    const char* text = "40F5849A";
    for (int i = 0; i < 8; ++i) {
        expected[0x20 + 2 * i] = static_cast<uint8_t>(text[i]);
    }
    EXPECT_EQ(images[1], expected);
    auto loader = bird.getBlocks(BIRD_BLOCK_LOADER);
    EXPECT_EQ(
        std::vector<uint8_t>(loader[0].body, loader[0].body + loader[0].length),
        std::vector<uint8_t>(loaderBefore[0].body, loaderBefore[0].body + loaderBefore[0].length));
}

TEST(BirdFileSerialNumber, PlacesThatDoNotFitWhollyAreLeftAlone) {
    // The serial would straddle the end of the image, the descriptor starts before it.
    const auto image = counting(0x10);
    BirdFile bird = loaded(BirdFileBuilder().firmware(0x100, image).serialOffsets(0x10E, 0xFE));
    EXPECT_TRUE(bird.setSerialNumber(0x12345678));  // a serial address counts as a place
    EXPECT_EQ(firmwareImages(bird)[0], image);

    BirdFile descriptorOnly =
        loaded(BirdFileBuilder().firmware(0x100, image).serialOffsets(0, 0x100));
    EXPECT_TRUE(descriptorOnly.setSerialNumber(0xABCDEF01));
    EXPECT_EQ(firmwareImages(descriptorOnly)[0][0], 'A');
    EXPECT_EQ(firmwareImages(descriptorOnly)[0][14], '1');
    EXPECT_EQ(firmwareImages(descriptorOnly)[0][15], image[15]);
}

TEST(BirdFileSerialNumber, NoPlacesMeansFalseAndNoChange) {
    const auto image = counting(0x20);
    BirdFile plain = loaded(BirdFileBuilder().firmware(0, image));
    EXPECT_FALSE(plain.hasSerialOffsets());
    EXPECT_FALSE(plain.setSerialNumber(0x1));
    EXPECT_EQ(firmwareImages(plain)[0], image);

    BirdFile noFirmware = loaded(BirdFileBuilder().loader(0, image).serialOffsets(4, 8));
    EXPECT_FALSE(noFirmware.setSerialNumber(0x1));

    // A serial-offsets block too short for its two addresses carries none.
    BirdFile shortOffsets = loaded(
        BirdFileBuilder().firmware(0, image).block(BIRD_BLOCK_SERIAL_OFFSETS, 0, {0, 0, 0, 4}));
    EXPECT_TRUE(shortOffsets.hasSerialOffsets());
    EXPECT_EQ(shortOffsets.serialNumberAddress(), 0u);
    EXPECT_FALSE(shortOffsets.setSerialNumber(0x1));
    EXPECT_EQ(firmwareImages(shortOffsets)[0], image);
}

// The keyed transform written out from its description: key bytes as stored (least
// significant byte of each word first) with every 4-byte group reversed, then a running XOR.
std::vector<uint8_t> scrambled(const std::vector<uint8_t>& image, std::array<uint32_t, 4> key) {
    uint8_t stored[16];
    std::memcpy(stored, key.data(), sizeof stored);
    uint8_t stream[16];
    for (int group = 0; group < 4; ++group) {
        for (int i = 0; i < 4; ++i) {
            stream[4 * group + i] = stored[4 * group + 3 - i];
        }
    }
    std::vector<uint8_t> out(image.size());
    uint8_t previous = 0;
    for (size_t i = 0; i < image.size(); ++i) {
        out[i] = image[i] ^ stream[i % 16] ^ previous;
        previous = out[i];
    }
    return out;
}

TEST(BirdFileKey, ScramblesEachFirmwareImageAndNothingElse) {
    const std::array<uint32_t, 4> key{0x01020304, 0xA0B0C0D0, 0xDEADBEEF, 0x00FF7F80};
    const auto first = counting(37, 5);
    const auto second = counting(3, 200);
    const auto loaderImage = counting(20);
    BirdFile bird = loaded(
        BirdFileBuilder().loader(0x10, loaderImage).firmware(0x20, first).firmware(0x40, second));
    EXPECT_TRUE(bird.applyKey(key));
    auto images = firmwareImages(bird);
    EXPECT_EQ(images[0], scrambled(first, key));
    EXPECT_EQ(images[1], scrambled(second, key));
    EXPECT_EQ(bird.getBlocks(BIRD_BLOCK_FIRMWARE)[0].loadAddress, 0x20u);
    auto loader = bird.getBlocks(BIRD_BLOCK_LOADER)[0];
    EXPECT_EQ(std::vector<uint8_t>(loader.body + 4, loader.body + loader.length), loaderImage);
}

TEST(BirdFileKey, ZeroKeyLeavesARunningXor) {
    const std::vector<uint8_t> image{0x11, 0x22, 0x44, 0x88};
    BirdFile bird = loaded(BirdFileBuilder().firmware(0, image));
    bird.applyKey({0, 0, 0, 0});
    EXPECT_EQ(firmwareImages(bird)[0], (std::vector<uint8_t>{0x11, 0x33, 0x77, 0xFF}));
}

TEST(BirdFileKey, ImageBlocksShorterThanTheirAddressAreSkipped) {
    BirdFile bird = loaded(BirdFileBuilder()
                               .block(BIRD_BLOCK_FIRMWARE, 0, {1, 2})
                               .serialOffsets(0, 0)
                               .declaredCount(2));
    EXPECT_EQ(bird.getBlocks(BIRD_BLOCK_FIRMWARE)[0].loadAddress, 0u);
    EXPECT_TRUE(bird.applyKey({1, 2, 3, 4}));
    EXPECT_FALSE(bird.setSerialNumber(5));
}

TEST(BirdFileOwnership, CopiesOwnTheirPayloadAndMovesKeepIt) {
    static_assert(std::is_nothrow_move_constructible_v<BirdFile>);
    const auto image = counting(16);
    BirdFile original = loaded(BirdFileBuilder().firmware(0, image).serialOffsets(0, 0));
    BirdFile copy = original;
    copy.applyKey({0xFFFFFFFF, 0, 0, 0});
    EXPECT_EQ(firmwareImages(original)[0], image);
    EXPECT_NE(firmwareImages(copy)[0], image);
    EXPECT_NE(copy.getBlocks(BIRD_BLOCK_FIRMWARE)[0].body,
              original.getBlocks(BIRD_BLOCK_FIRMWARE)[0].body);

    const uint8_t* body = copy.getBlocks(BIRD_BLOCK_FIRMWARE)[0].body;
    BirdFile moved = std::move(copy);
    EXPECT_EQ(moved.getBlocks(BIRD_BLOCK_FIRMWARE)[0].body, body);
    EXPECT_EQ(moved.blockCount(), 2u);
}

}  // namespace
