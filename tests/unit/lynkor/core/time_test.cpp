#include <gtest/gtest.h>

#include "lynkor/aTime.h"

namespace {

TEST(Time, SleepWaitsAtLeastItsCountOnTheTickClock) {
    const uint32_t before = aTime_GetMSTicks();
    EXPECT_EQ(aTime_MSSleep(30), aErrNone);
    // Unsigned subtraction stays right across the 32-bit wrap.
    const uint32_t elapsed = aTime_GetMSTicks() - before;
    EXPECT_GE(elapsed, 30u);
    EXPECT_LT(elapsed, 10000u);
    EXPECT_EQ(aTime_MSSleep(0), aErrNone);
}

}  // namespace
