#include "support/eventually.h"

#include <thread>

namespace testing_support {

bool eventually(const std::function<bool()>& condition, std::chrono::milliseconds limit) {
    constexpr auto kPollPeriod = std::chrono::milliseconds(5);
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!condition()) {
        if (std::chrono::steady_clock::now() >= deadline) {
            return false;
        }
        std::this_thread::sleep_for(kPollPeriod);
    }
    return true;
}

}  // namespace testing_support
