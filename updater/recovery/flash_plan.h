#pragma once

// How a bird file's firmware images go into the chip's flash through the boot loader: each
// image in chunks staged in RAM and copied to flash. Worked out, and checked against the
// chip's limits, before the chip is touched, so that a file that cannot be written whole is
// refused while the chip still holds what it had.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

class BirdFile;

struct FlashChunk {
    uint32_t flashAddress = 0;
    // The image's bytes in this chunk, padded with erased-flash bytes to the copy's count, so
    // that the copy never takes stale RAM; its size is the count written and copied.
    std::vector<uint8_t> staged;
    uint32_t imageBytes = 0;
    // Every sector the copy touches.
    uint32_t firstSector = 0;
    uint32_t lastSector = 0;
};

struct FlashBlock {
    uint32_t loadAddress = 0;
    uint32_t imageLength = 0;
    std::vector<FlashChunk> chunks;
};

struct FlashPlan {
    std::vector<FlashBlock> blocks;
    // The block total the display names: the firmware blocks minus the end marker.
    int shownBlockCount = 0;
    uint32_t imageBytes = 0;
};

// The firmware blocks in file order up to the first whose image is a 4-byte end marker. Nothing,
// with the reason, when a block holds no load address, does not start on a flash page or does
// not fit in the flash, or when there is no image byte to write at all.
std::optional<FlashPlan> planFlash(const BirdFile& bird, std::string& reason);
