#pragma once

#include <chrono>
#include <functional>

namespace testing_support {

// Polls the condition until it holds; false when it still does not hold after `limit`.
bool eventually(const std::function<bool()>& condition,
                std::chrono::milliseconds limit = std::chrono::seconds(5));

}  // namespace testing_support
