// Packet queue costs beside a plain mutex + condition variable + deque doing the same work:
// put then get on one thread, and a hand-off ping-pong between two threads.
#include <benchmark/benchmark.h>

#include <atomic>
#include <condition_variable>
#include <cstdio>
#include <deque>
#include <mutex>
#include <string>
#include <thread>

#include "lynkor/aPacketFifo.h"
#include "ratio_reporter.h"

namespace {

constexpr uint8_t s_payload[8] = {1, 2, 3, 4, 5, 6, 7, 8};
constexpr uint32_t s_waitMs = 1000;

// The baseline: what a queue of packet copies costs with nothing but the standard library.
class PlainQueue {
public:
    ~PlainQueue() {
        for (aPacket* packet : packets_) {
            aPacket_Destroy(&packet);
        }
    }
    void put(const aPacket* packet) {
        aPacket* copy = aPacket_Copy(packet);
        {
            std::lock_guard guard(lock_);
            packets_.push_back(copy);
        }
        ready_.notify_all();
    }
    aPacket* get() {
        std::lock_guard guard(lock_);
        return takeLocked();
    }
    aPacket* await(uint32_t timeoutMs) {
        std::unique_lock guard(lock_);
        ready_.wait_for(guard, std::chrono::milliseconds(timeoutMs),
                        [this] { return !packets_.empty(); });
        return takeLocked();
    }

private:
    aPacket* takeLocked() {
        if (packets_.empty()) {
            return nullptr;
        }
        aPacket* packet = packets_.front();
        packets_.pop_front();
        return packet;
    }
    std::mutex lock_;
    std::condition_variable ready_;
    std::deque<aPacket*> packets_;
};

struct FifoQueue {
    uint64_t id = aPacketFifo_Create();
    ~FifoQueue() { aPacketFifo_Destroy(&id); }
    void put(const aPacket* packet) { aPacketFifo_Put(id, packet); }
    aPacket* get() { return aPacketFifo_Get(id); }
    aPacket* await(uint32_t timeoutMs) { return aPacketFifo_Await(id, timeoutMs); }
};

template <typename Queue>
void putGet(benchmark::State& state) {
    Queue queue;
    aPacket* packet = aPacket_CreateWithData(2, sizeof s_payload, s_payload);
    for (auto _ : state) {
        queue.put(packet);
        aPacket* taken = queue.get();
        benchmark::DoNotOptimize(taken);
        aPacket_Destroy(&taken);
    }
    aPacket_Destroy(&packet);
    state.SetItemsProcessed(state.iterations());
}

// One iteration: a packet goes to an echo thread through one queue and comes back through
// another, each side waiting for it.
template <typename Queue>
void handOff(benchmark::State& state) {
    Queue toEcho;
    Queue back;
    std::atomic<bool> stop{false};
    std::thread echo([&] {
        while (!stop.load()) {
            aPacket* packet = toEcho.await(s_waitMs);
            if (packet != nullptr) {
                back.put(packet);
                aPacket_Destroy(&packet);
            }
        }
    });
    aPacket* packet = aPacket_CreateWithData(2, sizeof s_payload, s_payload);
    for (auto _ : state) {
        toEcho.put(packet);
        aPacket* returned = back.await(s_waitMs);
        if (returned == nullptr) {
            state.SkipWithError("the echo thread did not answer");
            break;
        }
        aPacket_Destroy(&returned);
    }
    stop = true;
    echo.join();
    aPacket_Destroy(&packet);
    state.SetItemsProcessed(state.iterations());
}

BENCHMARK_TEMPLATE(putGet, FifoQueue)->Name("queue/put_get");
BENCHMARK_TEMPLATE(putGet, PlainQueue)->Name("baseline/put_get");
BENCHMARK_TEMPLATE(handOff, FifoQueue)->Name("queue/await_hand_off")->UseRealTime();
BENCHMARK_TEMPLATE(handOff, PlainQueue)->Name("baseline/await_hand_off")->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
    RatioReporter reporter(
        "queue", [](const RatioReporter::Run& run) { return run.GetAdjustedRealTime(); },
        [](const std::string& name, double time, double baseline) {
            std::printf("%-28s %.2fx the baseline's time\n", name.c_str(), time / baseline);
        });
    return runBenchmarks(argc, argv, reporter);
}
