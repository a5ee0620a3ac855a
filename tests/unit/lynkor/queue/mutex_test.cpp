#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>

#include "lynkor/aMutex.h"

namespace {

// Holds a mutex on another thread until released.
class Holder {
public:
    explicit Holder(aMutex* mutex)
        : thread_([this, mutex] {
              aMutex_Lock(mutex);
              held_ = true;
              while (!release_) {
                  std::this_thread::yield();
              }
              aMutex_Unlock(mutex);
          }) {
        while (!held_) {
            std::this_thread::yield();
        }
    }
    ~Holder() {
        release_ = true;
        thread_.join();
    }

private:
    std::atomic<bool> held_{false};
    std::atomic<bool> release_{false};
    std::thread thread_;
};

TEST(Mutex, NamesUpTo255Characters) {
    const std::string longest(aMUTEX_MAX_NAME, 'n');
    aMutex* mutex = aMutex_Create(longest.c_str());
    ASSERT_NE(mutex, nullptr);
    EXPECT_EQ(aMutex_Identifier(mutex), longest);
    EXPECT_EQ(aMutex_Destroy(&mutex), aErrNone);
    EXPECT_EQ(mutex, nullptr);
    EXPECT_EQ(aMutex_Create((longest + "n").c_str()), nullptr);

    aMutex* unnamed = aMutex_Create(nullptr);
    ASSERT_NE(unnamed, nullptr);
    EXPECT_STREQ(aMutex_Identifier(unnamed), "");
    aMutex_Destroy(&unnamed);
}

TEST(Mutex, OwnerMayLockAgainOthersAreBusy) {
    aMutex* mutex = aMutex_Create("recursive");
    ASSERT_EQ(aMutex_Lock(mutex), aErrNone);
    ASSERT_EQ(aMutex_Lock(mutex), aErrNone);
    ASSERT_EQ(aMutex_TryLock(mutex), aErrNone);
    aErr fromOther = aErrNone;
    std::thread([&] { fromOther = aMutex_TryLock(mutex); }).join();
    EXPECT_EQ(fromOther, aErrBusy);
    EXPECT_EQ(aMutex_Unlock(mutex), aErrNone);
    EXPECT_EQ(aMutex_Unlock(mutex), aErrNone);
    // Still held once: freeing it now would pull it from under its holder.
    EXPECT_EQ(aMutex_Destroy(&mutex), aErrBusy);
    ASSERT_NE(mutex, nullptr);
    EXPECT_EQ(aMutex_Unlock(mutex), aErrNone);
    std::thread([&] {
        fromOther = aMutex_TryLock(mutex);
        aMutex_Unlock(mutex);
    }).join();
    EXPECT_EQ(fromOther, aErrNone);
    EXPECT_EQ(aMutex_Destroy(&mutex), aErrNone);
}

TEST(Mutex, DestroyWhileAnotherThreadHoldsItIsBusyAndHarmless) {
    aMutex* mutex = aMutex_Create("held");
    {
        Holder holder(mutex);
        EXPECT_EQ(aMutex_Destroy(&mutex), aErrBusy);
        EXPECT_NE(mutex, nullptr);
        EXPECT_EQ(aMutex_TryLock(mutex), aErrBusy);
        // Releasing someone else's lock is refused, not obeyed.
        EXPECT_EQ(aMutex_Unlock(mutex), aErrPermission);
    }
    EXPECT_EQ(aMutex_Lock(mutex), aErrNone);
    EXPECT_EQ(aMutex_Unlock(mutex), aErrNone);
    EXPECT_EQ(aMutex_Destroy(&mutex), aErrNone);
}

TEST(Mutex, NullMutexIsAParameterError) {
    EXPECT_EQ(aMutex_Lock(nullptr), aErrParam);
    EXPECT_EQ(aMutex_TryLock(nullptr), aErrParam);
    EXPECT_EQ(aMutex_Unlock(nullptr), aErrParam);
    EXPECT_EQ(aMutex_Destroy(nullptr), aErrParam);
    aMutex* none = nullptr;
    EXPECT_EQ(aMutex_Destroy(&none), aErrParam);
    EXPECT_EQ(aMutex_Identifier(nullptr), nullptr);
}

TEST(Mutex, SerialisesACounter) {
    aMutex* mutex = aMutex_Create("counter");
    long counter = 0;
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&] {
            for (int i = 0; i < 10000; ++i) {
                aMutex_Lock(mutex);
                aMutex_Lock(mutex);
                ++counter;
                aMutex_Unlock(mutex);
                aMutex_Unlock(mutex);
            }
        });
    }
    for (auto& thread : threads) {
        thread.join();
    }
    EXPECT_EQ(counter, 40000);
    EXPECT_EQ(aMutex_Destroy(&mutex), aErrNone);
}

}  // namespace
