// A byte-array run against a link whose device has stopped taking bytes: the run waits for room
// in the outbound queue instead of overflowing it, and gives up when the queue stops moving.
#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

#include "api/byte_run.h"
#include "link/link_table.h"
#include "lynkor/aLink.h"

namespace {

// A stream whose writes hold until it is opened, and that never has bytes to read.
struct HeldStream {
    std::mutex mutex;
    std::condition_variable changed;
    bool open = false;
    size_t writes = 0;

    static aErr get(uint8_t*, void*) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
        return aErrNotReady;
    }
    static aErr write(const uint8_t*, size_t, void* ref) {
        auto& stream = *static_cast<HeldStream*>(ref);
        std::unique_lock lock(stream.mutex);
        ++stream.writes;
        stream.changed.wait(lock, [&] { return stream.open; });
        return aErrNone;
    }
    void release() {
        std::lock_guard lock(mutex);
        open = true;
        changed.notify_all();
    }
};

TEST(RunPacing, ARunWaitsForRoomAndGivesUpWhenTheQueueStopsMoving) {
    HeldStream held;
    aLinkRef link =
        aLink_Create(aStream_Create(HeldStream::get, nullptr, HeldStream::write, nullptr, &held));
    ASSERT_NE(link, 0u);
    const std::vector<uint8_t> data(24005, 0x5A);
    uei request{};
    request.module = 4;
    request.command = 18;
    request.option = 0x83;
    request.index = 0x20;
    request.ueiType = ueiTypeBytes;
    request.bytes = const_cast<uint8_t*>(data.data());
    request.bytesLength = static_cast<uint32_t>(data.size());

    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(lynkor::api::sendByteRun(link, request), aErrTimeout);
    const auto waited = std::chrono::steady_clock::now() - start;
    // It waited for the queue to move (the clock counts in whole milliseconds).
    EXPECT_GE(waited, std::chrono::milliseconds(lynkor::api::kRunProgressLimitMs - 10));
    // The queue was filled up to the run's mark and no further: nothing was thrown away.
    const uint64_t outbound = lynkor::link::sLookupEntryByID(link)->outbound;
    EXPECT_EQ(aPacketFifo_GetLength(outbound), lynkor::api::kRunQueueHighWater);

    held.release();
    aLink_Destroy(&link);
}

TEST(RunPacing, NullBytesWithALengthAreRefused) {
    uei request{};
    request.ueiType = ueiTypeBytes;
    request.bytesLength = 3;
    EXPECT_EQ(lynkor::api::sendByteRun(1, request), aErrParam);
}

}  // namespace
