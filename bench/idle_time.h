// Processor time of the whole process, and what its threads cost while the benchmark only
// sleeps.
#pragma once

#include <benchmark/benchmark.h>
#include <time.h>

#include <chrono>
#include <thread>

inline double processSeconds() {
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

// Sleeps 2 s per iteration and sets the counter "core_percent": the processor time meanwhile
// as a share of one core.
inline void measureIdle(benchmark::State& state) {
    constexpr auto kIdle = std::chrono::seconds(2);
    double busy = 0;
    for (auto _ : state) {
        const double start = processSeconds();
        std::this_thread::sleep_for(kIdle);
        busy = processSeconds() - start;
    }
    state.counters["core_percent"] = busy / static_cast<double>(kIdle.count()) * 100.0;
}
