#include "upgrade/upgrade_blocks.h"

#include <algorithm>

#include "upgrade/upgrade_messages.h"

std::optional<std::vector<BirdBlock>> upgradeBlocks(const BirdFile& bird, BirdBlockType type) {
    std::vector<BirdBlock> blocks = bird.getBlocks(type);
    if (std::any_of(blocks.begin(), blocks.end(),
                    [](const BirdBlock& block) { return block.length < kUpgradeAddressSize; })) {
        return std::nullopt;
    }
    return blocks;
}
