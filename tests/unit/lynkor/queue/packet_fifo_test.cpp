#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "lynkor/aPacketFifo.h"
#include "support/packet_ptr.h"
#include "support/process.h"

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

using testing_support::PacketPtr;

// A packet to address 2 carrying a 32-bit number in its first four data bytes.
PacketPtr numbered(uint32_t number) {
    const uint8_t data[4] = {static_cast<uint8_t>(number), static_cast<uint8_t>(number >> 8),
                             static_cast<uint8_t>(number >> 16),
                             static_cast<uint8_t>(number >> 24)};
    return PacketPtr(aPacket_CreateWithData(2, sizeof data, data));
}

uint32_t numberOf(const aPacket* packet) {
    return packet->data[0] | packet->data[1] << 8 | packet->data[2] << 16 |
           static_cast<uint32_t>(packet->data[3]) << 24;
}

void put(uint64_t fifo, uint32_t number) {
    ASSERT_EQ(aPacketFifo_Put(fifo, numbered(number).get()), aErrNone);
}

// Owns one queue for a test.
class Fifo {
public:
    Fifo() : id_(aPacketFifo_Create()) {}
    ~Fifo() {
        if (id_ != 0) {
            aPacketFifo_Destroy(&id_);
        }
    }
    Fifo(const Fifo&) = delete;
    Fifo& operator=(const Fifo&) = delete;
    uint64_t id() const { return id_; }
    uint64_t& handle() { return id_; }

private:
    uint64_t id_;
};

uint8_t acceptEven(const aPacket* packet, void*) {
    return numberOf(packet) % 2 == 0;
}

// The environment variable marks the copy of this program that runs the fresh-process check.
constexpr char s_freshProcessVariable[] = "LYNKOR_TEST_FRESH_QUEUE_IDS";

TEST(PacketFifoIds, FreshProcessCountsFromOne) {
    if (std::getenv(s_freshProcessVariable) == nullptr) {
        GTEST_SKIP() << "runs only in the copy started by IdsStartAtOneAndAreNeverReused";
    }
    EXPECT_EQ(aPacketFifo_Create(), 1u);
    EXPECT_EQ(aPacketFifo_Create(), 2u);
    EXPECT_EQ(aPacketFifo_Create(), 3u);
}

TEST(PacketFifoIds, IdsStartAtOneAndAreNeverReused) {
    char self[4096];
    const ssize_t length = ::readlink("/proc/self/exe", self, sizeof self - 1);
    ASSERT_GT(length, 0);
    self[length] = '\0';
    const auto fresh = testing_support::runProcess(
        {self, "--gtest_filter=PacketFifoIds.FreshProcessCountsFromOne"},
        {{std::string(s_freshProcessVariable) + "=1"}, "", 30s});
    EXPECT_EQ(fresh.exitStatus, 0) << fresh.standardOutput;
    EXPECT_NE(fresh.standardOutput.find("[  PASSED  ] 1 test"), std::string::npos)
        << fresh.standardOutput;

    uint64_t first = aPacketFifo_Create();
    uint64_t second = aPacketFifo_Create();
    ASSERT_NE(first, 0u);
    EXPECT_EQ(second, first + 1);
    put(first, 7);
    const uint64_t destroyed = first;
    EXPECT_EQ(aPacketFifo_Destroy(&first), aErrNone);
    EXPECT_EQ(first, 0u);
    EXPECT_EQ(aPacketFifo_Get(destroyed), nullptr);
    EXPECT_EQ(aPacketFifo_GetLength(destroyed), 0u);
    EXPECT_EQ(aPacketFifo_Put(destroyed, numbered(1).get()), aErrParam);
    uint64_t again = destroyed;
    EXPECT_EQ(aPacketFifo_Destroy(&again), aErrNotFound);
    EXPECT_EQ(aPacketFifo_Destroy(nullptr), aErrParam);
    uint64_t third = aPacketFifo_Create();
    EXPECT_EQ(third, second + 1);
    aPacketFifo_Destroy(&second);
    aPacketFifo_Destroy(&third);
}

TEST(PacketFifo, PutKeepsTheCallersPacketAndGetHandsOutOwnedPackets) {
    Fifo fifo;
    PacketPtr mine = numbered(42);
    EXPECT_EQ(aPacketFifo_Put(fifo.id(), mine.get()), aErrNone);
    mine.reset();
    PacketPtr got(aPacketFifo_Get(fifo.id()));
    ASSERT_TRUE(got);
    EXPECT_EQ(numberOf(got.get()), 42u);
    EXPECT_EQ(aPacketFifo_Get(fifo.id()), nullptr);

    aPacket foreign{};
    EXPECT_EQ(aPacketFifo_Put(fifo.id(), &foreign), aErrParam);
    EXPECT_EQ(aPacketFifo_Put(fifo.id(), nullptr), aErrParam);
    EXPECT_EQ(aPacketFifo_GetLength(fifo.id()), 0u);
}

TEST(PacketFifo, MoreThanAThousandPacketsEmptyTheQueue) {
    Fifo fifo;
    for (uint32_t i = 0; i < aPACKETFIFO_CAPACITY; ++i) {
        put(fifo.id(), i);
    }
    EXPECT_EQ(aPacketFifo_GetLength(fifo.id()), 1000u);
    put(fifo.id(), 1000);
    EXPECT_EQ(aPacketFifo_GetLength(fifo.id()), 0u);
    EXPECT_EQ(aPacketFifo_Get(fifo.id()), nullptr);
    put(fifo.id(), 1001);
    PacketPtr after(aPacketFifo_Get(fifo.id()));
    ASSERT_TRUE(after);
    EXPECT_EQ(numberOf(after.get()), 1001u);
}

TEST(PacketFifo, AwaitWithoutTimeOutNeverWaits) {
    Fifo fifo;
    const auto start = Clock::now();
    EXPECT_EQ(aPacketFifo_Await(fifo.id(), 0), nullptr);
    EXPECT_LT(Clock::now() - start, 500ms);
    put(fifo.id(), 1);
    put(fifo.id(), 2);
    PacketPtr oldest(aPacketFifo_Await(fifo.id(), 0));
    ASSERT_TRUE(oldest);
    EXPECT_EQ(numberOf(oldest.get()), 1u);
    EXPECT_EQ(aPacketFifo_Await(0, 0), nullptr);
}

TEST(PacketFifo, AwaitReturnsAPacketPutWhileWaiting) {
    Fifo fifo;
    std::thread producer([&] {
        std::this_thread::sleep_for(20ms);
        put(fifo.id(), 9);
    });
    PacketPtr got(aPacketFifo_Await(fifo.id(), 10000));
    producer.join();
    ASSERT_TRUE(got);
    EXPECT_EQ(numberOf(got.get()), 9u);
}

TEST(PacketFifo, DestroyWakesWaitersPromptly) {
    Fifo fifo;
    std::atomic<int> waiting{0};
    std::vector<std::thread> waiters;
    bool gotNothing[2] = {false, false};
    std::vector<Clock::duration> waited(2);
    const uint64_t id = fifo.id();
    for (size_t i = 0; i < 2; ++i) {
        waiters.emplace_back([&, i] {
            ++waiting;
            const auto start = Clock::now();
            aPacket* packet = i == 0 ? aPacketFifo_Await(id, 20000)
                                     : aPacketFifo_AwaitFirst(id, acceptEven, nullptr, 20000);
            waited[i] = Clock::now() - start;
            gotNothing[i] = packet == nullptr;
            aPacket_Destroy(&packet);
        });
    }
    while (waiting < 2) {
        std::this_thread::yield();
    }
    std::this_thread::sleep_for(50ms);
    EXPECT_EQ(aPacketFifo_Destroy(&fifo.handle()), aErrNone);
    for (auto& waiter : waiters) {
        waiter.join();
    }
    for (size_t i = 0; i < 2; ++i) {
        EXPECT_TRUE(gotNothing[i]) << i;
        EXPECT_LT(waited[i], 5s) << i;
    }
}

struct FilterLog {
    std::mutex lock;
    std::map<uint32_t, int> calls;
    std::atomic<int> total{0};
    uint32_t accept = UINT32_MAX;
};

uint8_t countingFilter(const aPacket* packet, void* reference) {
    auto* log = static_cast<FilterLog*>(reference);
    const uint32_t number = numberOf(packet);
    {
        std::lock_guard guard(log->lock);
        ++log->calls[number];
    }
    ++log->total;
    return number == log->accept;
}

void waitForCalls(const FilterLog& log, int count) {
    const auto deadline = Clock::now() + 10s;
    while (log.total < count && Clock::now() < deadline) {
        std::this_thread::sleep_for(1ms);
    }
}

TEST(PacketFifo, AwaitFirstOffersEachPacketOnceAcrossWakeUps) {
    Fifo fifo;
    for (uint32_t i = 0; i < 3; ++i) {
        put(fifo.id(), i);
    }
    FilterLog log;
    aPacket* result = nullptr;
    const auto start = Clock::now();
    std::thread waiter(
        [&] { result = aPacketFifo_AwaitFirst(fifo.id(), countingFilter, &log, 400); });
    waitForCalls(log, 3);
    // Each put wakes the waiter; it must offer only the new packet.
    for (uint32_t i = 3; i < 6; ++i) {
        put(fifo.id(), i);
        waitForCalls(log, static_cast<int>(i) + 1);
    }
    waiter.join();
    EXPECT_EQ(result, nullptr);
    EXPECT_GE(Clock::now() - start, 390ms);
    EXPECT_EQ(log.calls.size(), 6u);
    for (const auto& [number, calls] : log.calls) {
        EXPECT_EQ(calls, 1) << "packet " << number;
    }
    EXPECT_EQ(aPacketFifo_GetLength(fifo.id()), 6u);
}

TEST(PacketFifo, AwaitFirstTakesTheAcceptedPacketAndLeavesTheRestInOrder) {
    Fifo fifo;
    put(fifo.id(), 1);
    put(fifo.id(), 3);
    FilterLog log;
    log.accept = 4;
    aPacket* result = nullptr;
    std::thread waiter(
        [&] { result = aPacketFifo_AwaitFirst(fifo.id(), countingFilter, &log, 10000); });
    waitForCalls(log, 2);
    put(fifo.id(), 5);
    put(fifo.id(), 4);
    put(fifo.id(), 6);
    waiter.join();
    PacketPtr accepted(result);
    ASSERT_TRUE(accepted);
    EXPECT_EQ(numberOf(accepted.get()), 4u);
    for (uint32_t expected : {1u, 3u, 5u, 6u}) {
        PacketPtr next(aPacketFifo_Get(fifo.id()));
        ASSERT_TRUE(next);
        EXPECT_EQ(numberOf(next.get()), expected);
    }
}

TEST(PacketFifo, AwaitFirstSeesPacketsAfterTheQueueOverflowed) {
    Fifo fifo;
    FilterLog log;
    log.accept = 5000;
    aPacket* result = nullptr;
    std::thread waiter(
        [&] { result = aPacketFifo_AwaitFirst(fifo.id(), countingFilter, &log, 10000); });
    std::this_thread::sleep_for(20ms);
    for (uint32_t i = 0; i <= aPACKETFIFO_CAPACITY; ++i) {
        put(fifo.id(), i);
    }
    put(fifo.id(), 5000);
    waiter.join();
    PacketPtr accepted(result);
    ASSERT_TRUE(accepted);
    EXPECT_EQ(numberOf(accepted.get()), 5000u);
    for (const auto& [number, calls] : log.calls) {
        EXPECT_EQ(calls, 1) << "packet " << number;
    }
}

TEST(PacketFifo, GetFirstAndDrainKeepTheOthersInOrder) {
    Fifo fifo;
    for (uint32_t i = 1; i <= 10; ++i) {
        put(fifo.id(), i);
    }
    PacketPtr firstEven(aPacketFifo_GetFirst(fifo.id(), acceptEven, nullptr));
    ASSERT_TRUE(firstEven);
    EXPECT_EQ(numberOf(firstEven.get()), 2u);
    put(fifo.id(), 12);
    EXPECT_EQ(aPacketFifo_DrainPackets(fifo.id(), acceptEven, nullptr), 5u);
    for (uint32_t expected : {1u, 3u, 5u, 7u, 9u}) {
        PacketPtr next(aPacketFifo_Get(fifo.id()));
        ASSERT_TRUE(next);
        EXPECT_EQ(numberOf(next.get()), expected);
    }
    EXPECT_EQ(aPacketFifo_GetFirst(fifo.id(), acceptEven, nullptr), nullptr);
    EXPECT_EQ(aPacketFifo_DrainPackets(fifo.id(), acceptEven, nullptr), 0u);
    EXPECT_EQ(aPacketFifo_DrainPackets(0, acceptEven, nullptr), 0u);
    EXPECT_EQ(aPacketFifo_GetFirst(fifo.id(), nullptr, nullptr), nullptr);
}

TEST(PacketFifoConcurrency, ProducersAndConsumersLoseAndDuplicateNothing) {
    constexpr uint32_t producers = 4;
    constexpr uint32_t consumers = 4;
    constexpr uint32_t total = 1000000;
    constexpr uint32_t perProducer = total / producers;
    // Producers hold back below this many queued packets, so the bound never empties the queue.
    constexpr uint32_t highWater = aPACKETFIFO_CAPACITY - 2 * producers;
    Fifo fifo;
    const uint64_t id = fifo.id();
    std::atomic<uint32_t> received{0};
    std::vector<std::vector<uint32_t>> seen(consumers);
    std::vector<std::thread> threads;
    for (uint32_t c = 0; c < consumers; ++c) {
        threads.emplace_back([&, c] {
            seen[c].reserve(total / consumers * 2);
            while (received.load() < total) {
                aPacket* packet = aPacketFifo_Await(id, 50);
                if (packet != nullptr) {
                    seen[c].push_back(numberOf(packet));
                    ++received;
                    aPacket_Destroy(&packet);
                }
            }
        });
    }
    for (uint32_t p = 0; p < producers; ++p) {
        threads.emplace_back([&, p] {
            for (uint32_t i = 0; i < perProducer; ++i) {
                while (aPacketFifo_GetLength(id) >= highWater) {
                    std::this_thread::yield();
                }
                // The producer in the top two bits, its running count below.
                PacketPtr packet = numbered(p << 30 | i);
                if (aPacketFifo_Put(id, packet.get()) != aErrNone) {
                    ADD_FAILURE() << "put failed";
                    return;
                }
            }
        });
    }
    for (auto& thread : threads) {
        thread.join();
    }
    std::vector<std::vector<uint8_t>> count(producers, std::vector<uint8_t>(perProducer, 0));
    for (const auto& taken : seen) {
        // One consumer takes each producer's packets in the order they were put.
        std::vector<int64_t> last(producers, -1);
        for (uint32_t number : taken) {
            const uint32_t producer = number >> 30;
            const uint32_t index = number & 0x3FFFFFFF;
            ASSERT_LT(producer, producers);
            ASSERT_LT(index, perProducer);
            ASSERT_GT(static_cast<int64_t>(index), last[producer]);
            last[producer] = index;
            ++count[producer][index];
        }
    }
    for (uint32_t p = 0; p < producers; ++p) {
        for (uint32_t i = 0; i < perProducer; ++i) {
            ASSERT_EQ(count[p][i], 1) << "producer " << p << " packet " << i;
        }
    }
    EXPECT_EQ(aPacketFifo_GetLength(id), 0u);
}

}  // namespace
