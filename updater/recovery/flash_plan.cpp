#include "recovery/flash_plan.h"

#include <algorithm>
#include <cstdio>

#include "firmware/bird_file.h"
#include "recovery/isp_protocol.h"

namespace {

constexpr uint32_t kAddressSize = 4;
constexpr uint32_t kEndMarkerLength = 4;
constexpr uint8_t kErasedByte = 0xFF;

std::string s_blockReason(size_t index, const char* what, uint32_t address) {
    char text[128];
    std::snprintf(text, sizeof text, "Firmware block %zu at %08X %s", index + 1, address, what);
    return text;
}

FlashChunk s_chunk(uint32_t loadAddress, const uint8_t* image, uint32_t imageLength,
                   uint32_t offset) {
    FlashChunk chunk;
    chunk.flashAddress = loadAddress + offset;
    chunk.imageBytes = std::min(kIspMaxChunk, imageLength - offset);
    const uint32_t count = ispCopyCount(chunk.imageBytes);
    chunk.staged.assign(count, kErasedByte);
    std::copy_n(image + offset, chunk.imageBytes, chunk.staged.begin());
    chunk.firstSector = ispFlashSector(chunk.flashAddress);
    chunk.lastSector = ispFlashSector(chunk.flashAddress + count - 1);
    return chunk;
}

}  // namespace

std::optional<FlashPlan> planFlash(const BirdFile& bird, std::string& reason) {
    const std::vector<BirdBlock> firmware = bird.getBlocks(BIRD_BLOCK_FIRMWARE);
    FlashPlan plan;
    plan.shownBlockCount = static_cast<int>(firmware.size()) - 1;
    for (size_t index = 0; index < firmware.size(); ++index) {
        const BirdBlock& block = firmware[index];
        if (block.length < kAddressSize) {
            reason = s_blockReason(index, "holds no load address", 0);
            return std::nullopt;
        }
        const uint32_t imageLength = block.length - kAddressSize;
        if (imageLength == kEndMarkerLength) {
            break;
        }
        if (block.loadAddress % kIspFlashPage != 0) {
            reason = s_blockReason(index, "does not start on a flash page", block.loadAddress);
            return std::nullopt;
        }
        // The last copy may reach past the image by its padding; all of it must be flash.
        const uint64_t lastOffset =
            imageLength == 0 ? 0 : (imageLength - 1) / kIspMaxChunk * kIspMaxChunk;
        const uint64_t copiedEnd = static_cast<uint64_t>(block.loadAddress) + lastOffset +
                                   ispCopyCount(imageLength - static_cast<uint32_t>(lastOffset));
        if (imageLength != 0 && copiedEnd > kIspFlashEnd) {
            reason = s_blockReason(index, "does not fit in the flash", block.loadAddress);
            return std::nullopt;
        }
        FlashBlock planned{block.loadAddress, imageLength, {}};
        for (uint32_t offset = 0; offset < imageLength; offset += kIspMaxChunk) {
            planned.chunks.push_back(
                s_chunk(block.loadAddress, block.body + kAddressSize, imageLength, offset));
        }
        plan.imageBytes += imageLength;
        plan.blocks.push_back(std::move(planned));
    }
    // Erasing a chip to write nothing into it would leave it empty for no reason.
    if (plan.imageBytes == 0) {
        reason = "The bird file holds no firmware image";
        return std::nullopt;
    }
    return plan;
}
