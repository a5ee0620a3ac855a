// The process helpers every end-to-end test relies on: no wait on a child is unbounded.
#include <gtest/gtest.h>

#include <chrono>

#include "support/process.h"

namespace {

using testing_support::ProcessOptions;
using testing_support::runProcess;

TEST(RunProcess, CapturesBothStreamsAndTheExitStatus) {
    auto result = runProcess({"/bin/sh", "-c", "echo out; echo err >&2; exit 3"});
    EXPECT_EQ(result.standardOutput, "out\n");
    EXPECT_EQ(result.standardError, "err\n");
    EXPECT_EQ(result.exitStatus, 3);
    EXPECT_FALSE(result.timedOut);
}

TEST(RunProcess, ChildThatClosesItsOutputButRunsOnEndsWithTheTimeOut) {
    ProcessOptions options;
    options.timeout = std::chrono::milliseconds(500);
    const auto start = std::chrono::steady_clock::now();
    auto result = runProcess({"/bin/sh", "-c", "exec >&- 2>&-; exec sleep 30"}, options);
    EXPECT_TRUE(result.timedOut);
    EXPECT_EQ(result.exitStatus, -1);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(20));
}

}  // namespace
