// The link engine against the device simulator over loopback TCP, each figure beside a plain
// socket doing the same exchange with the same device in the same run:
//   round_trip    one echo request through aLink_PutPacket and aLink_AwaitFirst  /  the same
//                 bytes sent and read on a socket, the two taking turns of 100 exchanges
//                 (median exchange, in microseconds)
//   one_way       1000 packets to the device, then one echo to know that all arrived  /  the same
//                 packets sent one by one on a socket; one_way_pooled: the link's pooled writes
//   idle          processor time of a process whose running link has nothing to do, over 2 s  /
//                 the same process without a link (percent of one core)
// Every case runs five times and counts with its median run. On a shared machine let the runs
// take turns, so that a burst of load elsewhere falls on both sides:
//   build-bench/bin/bench_link --benchmark_enable_random_interleaving=true
// (scripts/bench.sh builds build-bench.)
#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "idle_time.h"
#include "link/link_table.h"
#include "lynkor/aLink.h"
#include "ratio_reporter.h"
#include "simulator_process.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr uint8_t kAddress = 4;
constexpr uint8_t kCmdDebug = 23;
constexpr uint32_t kSerial = 0x40F5849A;
constexpr int kRepetitions = 5;
constexpr double kMinSeconds = 1.0;
const uint8_t kEcho[] = {kAddress, 3, kCmdDebug, 0x01, 0x02};
// An unknown command: the device takes it and answers nothing.
const uint8_t kOneWay[] = {kAddress, 3, 0x7E, 0x01, 0x02};

// One lynkor-sim for the whole run; it sends its heartbeat every second, as a real device does.
class Simulator {
public:
    int port() const { return port_; }

private:
    SimulatorProcess process_{"lynkor-sim", {"--device", "40F5849A", "--address", "4"}};
    int port_ = std::stoi(process_.value("tcp 40F5849A 127.0.0.1:"));
};

Simulator& simulator() {
    static Simulator instance;
    return instance;
}

int rawConnect() {
    int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(static_cast<uint16_t>(simulator().port()));
    if (connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        throw std::runtime_error("connect");
    }
    int on = 1;
    setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    return fd;
}

// Reads until the echo reply has come, skipping heartbeats, and answers the heartbeats as the
// link would, so that both sides do the same work.
void rawAwaitEcho(int fd) {
    uint8_t packet[32];
    while (true) {
        if (recv(fd, packet, 2, MSG_WAITALL) != 2 ||
            (packet[1] > 0 && recv(fd, packet + 2, packet[1], MSG_WAITALL) != packet[1])) {
            throw std::runtime_error("device gone");
        }
        if (packet[1] == 3 && packet[2] == kCmdDebug) {
            return;
        }
        if (packet[1] == 2 && packet[2] == 0) {
            const uint8_t answer[] = {packet[0], 2, 0, static_cast<uint8_t>(packet[3] + 2)};
            send(fd, answer, sizeof answer, MSG_NOSIGNAL);
        }
    }
}

aLinkRef linkConnect() {
    aLinkRef link = aLink_CreateTCPIP(kSerial, htonl(INADDR_LOOPBACK),
                                      static_cast<uint32_t>(simulator().port()));
    if (link == 0) {
        throw std::runtime_error("no link");
    }
    return link;
}

uint8_t s_isEcho(const aPacket* packet, void*) {
    return packet->data_size == 3 && packet->data[0] == kCmdDebug;
}

void linkSend(aLinkRef link, const uint8_t* wire) {
    aPacket* packet = aPacket_CreateWithData(wire[0], wire[1], wire + 2);
    aLink_PutPacket(link, packet);
    aPacket_Destroy(&packet);
}

void linkAwaitEcho(aLinkRef link) {
    aPacket* reply = aLink_AwaitFirst(link, s_isEcho, nullptr, 1000);
    if (reply == nullptr) {
        throw std::runtime_error("no echo");
    }
    aPacket_Destroy(&reply);
}

double s_microsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::micro>(Clock::now() - start).count();
}

enum class Side { Link, Raw };

constexpr int kExchangesPerTurn = 100;

// Each iteration is a turn of 100 exchanges through the link and 100 on the raw socket, which
// goes first changing every time, so that load from elsewhere on a shared machine falls on
// both alike. The run reports the exchanges of its own side: their time, their median as
// "p50_us", and this process's processor time per exchange as "cpu_us".
void BM_RoundTrip(benchmark::State& state, Side side) {
    aLinkRef link = linkConnect();
    const int fd = rawConnect();
    std::vector<double> linkMicros;
    std::vector<double> rawMicros;
    const auto linkTurn = [&] {
        for (int i = 0; i < kExchangesPerTurn; ++i) {
            const auto start = Clock::now();
            linkSend(link, kEcho);
            linkAwaitEcho(link);
            linkMicros.push_back(s_microsSince(start));
        }
    };
    const auto rawTurn = [&] {
        for (int i = 0; i < kExchangesPerTurn; ++i) {
            const auto start = Clock::now();
            send(fd, kEcho, sizeof kEcho, MSG_NOSIGNAL);
            rawAwaitEcho(fd);
            rawMicros.push_back(s_microsSince(start));
        }
    };
    std::vector<double>& own = side == Side::Link ? linkMicros : rawMicros;
    const auto ownTurn = side == Side::Link ? std::function<void()>(linkTurn) : rawTurn;
    const auto otherTurn = side == Side::Link ? std::function<void()>(rawTurn) : linkTurn;
    // Processor time of this process (not of the simulator) during the side's own turns.
    double ownProcessorSeconds = 0;
    const auto timedOwnTurn = [&] {
        const double start = processSeconds();
        ownTurn();
        ownProcessorSeconds += processSeconds() - start;
    };
    bool ownFirst = true;
    for (auto _ : state) {
        const size_t before = own.size();
        if (ownFirst) {
            timedOwnTurn();
            otherTurn();
        } else {
            otherTurn();
            timedOwnTurn();
        }
        ownFirst = !ownFirst;
        double turn = 0;
        for (size_t i = before; i < own.size(); ++i) {
            turn += own[i];
        }
        state.SetIterationTime(turn * 1e-6);
    }
    state.SetItemsProcessed(state.iterations() * kExchangesPerTurn);
    std::nth_element(own.begin(), own.begin() + static_cast<long>(own.size() / 2), own.end());
    state.counters["p50_us"] = own[own.size() / 2];
    state.counters["cpu_us"] = ownProcessorSeconds * 1e6 / static_cast<double>(own.size());
    close(fd);
    aLink_Destroy(&link);
}

constexpr int kBurst = 1000;

void BM_OneWayRaw(benchmark::State& state) {
    const int fd = rawConnect();
    for (auto _ : state) {
        // One write per packet, as the link writer does without pooling.
        for (int i = 0; i < kBurst; ++i) {
            send(fd, kOneWay, sizeof kOneWay, MSG_NOSIGNAL);
        }
        send(fd, kEcho, sizeof kEcho, MSG_NOSIGNAL);
        rawAwaitEcho(fd);
    }
    state.SetItemsProcessed(state.iterations() * kBurst);
    close(fd);
}

void BM_OneWayLink(benchmark::State& state, bool pooled) {
    aLinkRef link = linkConnect();
    aLink_EnablePooledPackets(link, pooled);
    const uint64_t outbound = lynkor::link::sLookupEntryByID(link)->outbound;
    for (auto _ : state) {
        // The queue holds at most 1000 packets; stay below so that none is discarded.
        for (int i = 0; i < kBurst; i += 100) {
            for (int k = 0; k < 100; ++k) {
                linkSend(link, kOneWay);
            }
            while (aPacketFifo_GetLength(outbound) > 500) {
                std::this_thread::yield();
            }
        }
        linkSend(link, kEcho);
        linkAwaitEcho(link);
    }
    state.SetItemsProcessed(state.iterations() * kBurst);
    aLink_Destroy(&link);
}

void BM_Idle(benchmark::State& state, bool withLink) {
    aLinkRef link = withLink ? linkConnect() : 0;
    measureIdle(state);
    if (link != 0) {
        aLink_Destroy(&link);
    }
}

BENCHMARK_CAPTURE(BM_RoundTrip, link, Side::Link)
    ->Name("link/round_trip")
    ->MinTime(kMinSeconds)
    ->Repetitions(kRepetitions)
    ->UseManualTime();
BENCHMARK_CAPTURE(BM_RoundTrip, raw, Side::Raw)
    ->Name("baseline/round_trip")
    ->MinTime(kMinSeconds)
    ->Repetitions(kRepetitions)
    ->UseManualTime();
BENCHMARK_CAPTURE(BM_OneWayLink, plain, false)
    ->Name("link/one_way")
    ->MinTime(kMinSeconds)
    ->Repetitions(kRepetitions)
    ->UseRealTime();
BENCHMARK_CAPTURE(BM_OneWayLink, pooled, true)
    ->Name("link/one_way_pooled")
    ->MinTime(kMinSeconds)
    ->Repetitions(kRepetitions)
    ->UseRealTime();
BENCHMARK(BM_OneWayRaw)
    ->Name("baseline/one_way")
    ->MinTime(kMinSeconds)
    ->Repetitions(kRepetitions)
    ->UseRealTime();
BENCHMARK_CAPTURE(BM_Idle, link, true)
    ->Name("link/idle")
    ->Iterations(1)
    ->Repetitions(kRepetitions)
    ->UseRealTime();
BENCHMARK_CAPTURE(BM_Idle, none, false)
    ->Name("baseline/idle")
    ->Iterations(1)
    ->Repetitions(kRepetitions)
    ->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
    RatioReporter reporter(
        "link",
        [](const RatioReporter::Run& run) -> std::optional<double> {
            for (const char* counter : {"p50_us", "core_percent", "items_per_second"}) {
                if (const auto found = run.counters.find(counter); found != run.counters.end()) {
                    return found->second.value;
                }
            }
            return std::nullopt;
        },
        [](const std::string& name, double value, double baseline) {
            if (name.find("idle") != std::string::npos) {
                std::printf("%-44s %8.3f %% of a core (without a link %.3f %%)\n", name.c_str(),
                            value, baseline);
            } else if (name.find("one_way") != std::string::npos) {
                std::printf("%-44s %8.0f packets/s beside %8.0f: %.2fx the baseline\n",
                            name.c_str(), value, baseline, value / baseline);
            } else {
                std::printf("%-44s %8.1f us beside %8.1f: %.2fx the baseline\n", name.c_str(),
                            value, baseline, value / baseline);
            }
        });
    return runBenchmarks(argc, argv, reporter);
}
