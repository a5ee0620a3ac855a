#pragma once

#include <gtest/gtest.h>

#include <numeric>
#include <vector>

#include "firmware/bird_file.h"
#include "support/bird_file_builder.h"

namespace bird_test {

// Bytes start, start + 1, ... so that a shifted or misplaced byte shows in a comparison.
inline std::vector<uint8_t> counting(size_t length, uint8_t start = 0) {
    std::vector<uint8_t> bytes(length);
    std::iota(bytes.begin(), bytes.end(), start);
    return bytes;
}

inline BirdFile loaded(const testing_support::BirdFileBuilder& builder) {
    BirdFile bird;
    auto bytes = builder.fileBytes();
    EXPECT_TRUE(bird.loadFromBuffer("test.bird", bytes));
    return bird;
}

}  // namespace bird_test
