// The device server against the device simulator over loopback TCP, each figure beside its
// baseline measured in the same run:
//   server/round_trip     one echo through a device server (client link, server, device link)
//   baseline/round_trip   the same echo over a direct link to another simulated device
//   server/throughput     echoes per second of eight clients at once through one server
//   baseline/throughput   the same of one client alone
// Goals: a round trip at most 5 times the direct one, p99 at most 2 ms; eight clients at least
// 0.8 times one client's throughput, each client's share within 25% of the mean.
// Run: build-bench/bin/bench_device_server (scripts/bench.sh).
#include <arpa/inet.h>
#include <unistd.h>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "lynkor/aLink.h"
#include "ratio_reporter.h"
#include "simulator_process.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr uint8_t kAddress = 4;
constexpr uint8_t kCmdDebug = 23;
constexpr uint32_t kServedSerial = 0x40F5849A;
constexpr uint32_t kDirectSerial = 0x40F5849B;
constexpr int kClients = 8;
constexpr auto kThroughputTime = std::chrono::seconds(3);

// One lynkor-sim with two devices for the whole run: one served, one reached directly.
class Simulator {
public:
    uint32_t tcpPort(const std::string& serial) const {
        return static_cast<uint32_t>(std::stoul(process_.value("tcp " + serial + " 127.0.0.1:")));
    }

private:
    SimulatorProcess process_{"lynkor-sim",
                              {"--heartbeat-ms", "0", "--device", "40F5849A", "--address", "4",
                               "--device", "40F5849B", "--address", "4"}};
};

Simulator& simulator() {
    static Simulator instance;
    return instance;
}

// The served device for the whole run, and the address clients connect to.
struct Served {
    Served() {
        aLinkRef device = aLink_CreateTCPIP(kServedSerial, htonl(INADDR_LOOPBACK),
                                            simulator().tcpPort("40F5849A"));
        owner = device != 0 ? aLink_CreateServer(device, &port, &address, true) : 0;
        if (owner == 0) {
            throw std::runtime_error("no server");
        }
    }
    ~Served() { aLink_Destroy(&owner); }
    aLinkRef connect() const { return aLink_CreateClient(address, port, 0); }

    aLinkRef owner = 0;
    uint16_t port = 0;
    uint32_t address = 0;
};

Served& served() {
    static Served instance;
    return instance;
}

struct Tag {
    uint8_t client;
    uint8_t sequence;
};

uint8_t s_isOwnEcho(const aPacket* packet, void* reference) {
    const Tag& tag = *static_cast<const Tag*>(reference);
    return packet->data_size == 3 && packet->data[0] == kCmdDebug &&
           packet->data[1] == tag.client && packet->data[2] == tag.sequence;
}

// One echo and its answer; false when none came.
bool echo(aLinkRef link, Tag& tag) {
    ++tag.sequence;
    const uint8_t data[3] = {kCmdDebug, tag.client, tag.sequence};
    aPacket* request = aPacket_CreateWithData(kAddress, 3, data);
    aLink_PutPacket(link, request);
    aPacket_Destroy(&request);
    aPacket* answer = aLink_AwaitFirst(link, s_isOwnEcho, &tag, 1000);
    const bool answered = answer != nullptr;
    aPacket_Destroy(&answer);
    return answered;
}

void roundTrip(benchmark::State& state, aLinkRef link) {
    Tag tag{1, 0};
    std::vector<double> micros;
    for (auto _ : state) {
        const auto start = Clock::now();
        if (!echo(link, tag)) {
            state.SkipWithError("no echo");
            break;
        }
        micros.push_back(std::chrono::duration<double, std::micro>(Clock::now() - start).count());
    }
    std::sort(micros.begin(), micros.end());
    if (!micros.empty()) {
        double sum = 0;
        for (double value : micros) {
            sum += value;
        }
        state.counters["mean_us"] = sum / static_cast<double>(micros.size());
        state.counters["p99_us"] = micros[micros.size() * 99 / 100];
    }
}

void serverRoundTrip(benchmark::State& state) {
    aLinkRef link = served().connect();
    roundTrip(state, link);
    aLink_Destroy(&link);
}

void directRoundTrip(benchmark::State& state) {
    aLinkRef link =
        aLink_CreateTCPIP(kDirectSerial, htonl(INADDR_LOOPBACK), simulator().tcpPort("40F5849B"));
    roundTrip(state, link);
    aLink_Destroy(&link);
}

// Echoes per second of `clients` client links, each on its own thread, for a fixed time.
void throughput(benchmark::State& state, int clients) {
    std::vector<aLinkRef> links;
    for (int i = 0; i < clients; ++i) {
        links.push_back(served().connect());
    }
    std::vector<long> counts(static_cast<size_t>(clients));
    for (auto _ : state) {
        std::atomic<bool> go{false};
        std::vector<std::thread> threads;
        for (int i = 0; i < clients; ++i) {
            threads.emplace_back([&, i] {
                Tag tag{static_cast<uint8_t>(i + 1), 0};
                while (!go) {
                    std::this_thread::yield();
                }
                const auto end = Clock::now() + kThroughputTime;
                long done = 0;
                while (Clock::now() < end) {
                    done += echo(links[static_cast<size_t>(i)], tag) ? 1 : 0;
                }
                counts[static_cast<size_t>(i)] = done;
            });
        }
        go = true;
        for (auto& thread : threads) {
            thread.join();
        }
    }
    long total = 0;
    for (long count : counts) {
        total += count;
    }
    const double mean = static_cast<double>(total) / clients;
    double worst = 0;
    for (long count : counts) {
        worst = std::max(worst, std::fabs(static_cast<double>(count) - mean) / mean);
    }
    state.counters["echoes_per_s"] =
        static_cast<double>(total) / std::chrono::duration<double>(kThroughputTime).count();
    state.counters["worst_share_off_mean_percent"] = worst * 100.0;
    for (aLinkRef& link : links) {
        aLink_Destroy(&link);
    }
}

void serverThroughput(benchmark::State& state) {
    throughput(state, kClients);
}

void oneClientThroughput(benchmark::State& state) {
    throughput(state, 1);
}

BENCHMARK(serverRoundTrip)->Name("server/round_trip")->UseRealTime()->MinTime(2.0);
BENCHMARK(directRoundTrip)->Name("baseline/round_trip")->UseRealTime()->MinTime(2.0);
BENCHMARK(serverThroughput)->Name("server/throughput")->Iterations(1)->UseRealTime();
BENCHMARK(oneClientThroughput)->Name("baseline/throughput")->Iterations(1)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
    RatioReporter reporter(
        "server",
        [](const RatioReporter::Run& run) -> std::optional<double> {
            for (const char* counter : {"mean_us", "echoes_per_s"}) {
                if (const auto found = run.counters.find(counter); found != run.counters.end()) {
                    return found->second.value;
                }
            }
            return std::nullopt;
        },
        [](const std::string& name, double value, double baseline) {
            const char* unit =
                name.find("round_trip") != std::string::npos ? "us per echo" : "echoes/s";
            std::printf("%-20s %10.1f %s  (baseline %10.1f, ratio %.2f)\n", name.c_str(), value,
                        unit, baseline, value / baseline);
        });
    return runBenchmarks(argc, argv, reporter);
}
