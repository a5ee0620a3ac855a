#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "firmware/bird_file.h"

// The image blocks of one type (loader or firmware) in file order, or nothing when one of them
// is too short to hold its load address: such a file is refused before the device is touched.
std::optional<std::vector<BirdBlock>> upgradeBlocks(const BirdFile& bird, BirdBlockType type);
