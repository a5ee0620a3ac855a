// A link to a device on the emulated USB bus against the same device's twin on loopback TCP,
// measured in the same run:
//   connect_close   a new link made, brought in step and destroyed, per iteration
//   idle            processor time of a running link that has nothing to do, over 2 s; the
//                   baseline is the same process without a link
// Targets: a USB link opens and closes in under 0.3 s; an idle one costs under 1% of a core.
// Run: build-bench/bin/bench_usb_link (scripts/bench.sh).
#include <arpa/inet.h>
#include <netinet/in.h>
#include <unistd.h>

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <stdexcept>
#include <string>

#include "idle_time.h"
#include "lynkor/aEmulation.h"
#include "lynkor/aLink.h"
#include "ratio_reporter.h"
#include "simulator_process.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr uint32_t kUsbSerial = 0x40F5849A;
constexpr uint32_t kTcpSerial = 0x2181F0EE;
constexpr double kTargetConnectCloseSeconds = 0.3;
constexpr double kTargetIdlePercent = 1.0;

// The emulated bus and the simulator serving both devices, for the whole run.
class Devices {
public:
    Devices() { aEmulation_Select(bus_.c_str()); }
    ~Devices() { std::filesystem::remove_all(bus_); }
    int tcpPort() const { return std::stoi(process_.value("tcp 2181F0EE 127.0.0.1:")); }

private:
    static std::string s_bus() {
        const std::string bus =
            std::filesystem::temp_directory_path() / ("bench-usb-link-" + std::to_string(getpid()));
        std::filesystem::create_directories(bus);
        return bus;
    }

    std::string bus_ = s_bus();
    SimulatorProcess process_{"lynkor-sim",
                              {"--usb-dir", bus_, "--device", "40F5849A", "--usb", "--address", "4",
                               "--device", "2181F0EE", "--tcp", "--address", "4"}};
};

Devices& devices() {
    static Devices instance;
    return instance;
}

aLinkRef s_connect(bool overUsb) {
    const aLinkRef link = overUsb ? aLink_CreateUSB(kUsbSerial)
                                  : aLink_CreateTCPIP(kTcpSerial, htonl(INADDR_LOOPBACK),
                                                      static_cast<uint32_t>(devices().tcpPort()));
    if (link == 0) {
        throw std::runtime_error("no link to the simulated device");
    }
    return link;
}

void connectClose(benchmark::State& state, bool overUsb) {
    devices();
    double seconds = 0;
    for (auto _ : state) {
        const auto start = Clock::now();
        aLinkRef link = s_connect(overUsb);
        aLink_Destroy(&link);
        seconds += std::chrono::duration<double>(Clock::now() - start).count();
    }
    state.counters["seconds"] = benchmark::Counter(seconds, benchmark::Counter::kAvgIterations);
}

void idle(benchmark::State& state, bool withLink) {
    devices();
    aLinkRef link = withLink ? s_connect(true) : 0;
    measureIdle(state);
    if (link != 0) {
        aLink_Destroy(&link);
    }
}

BENCHMARK_CAPTURE(connectClose, usb, true)->Name("usb/connect_close")->UseRealTime()->Iterations(5);
BENCHMARK_CAPTURE(connectClose, tcp, false)
    ->Name("baseline/connect_close")
    ->UseRealTime()
    ->Iterations(5);
BENCHMARK_CAPTURE(idle, link, true)->Name("usb/idle")->Iterations(1)->UseRealTime();
BENCHMARK_CAPTURE(idle, none, false)->Name("baseline/idle")->Iterations(1)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
    RatioReporter reporter(
        "usb",
        [](const RatioReporter::Run& run) -> std::optional<double> {
            for (const char* name : {"seconds", "core_percent"}) {
                if (const auto found = run.counters.find(name); found != run.counters.end()) {
                    return found->second.value;
                }
            }
            return std::nullopt;
        },
        [](const std::string& name, double value, double baseline) {
            if (name.find("/idle") != std::string::npos) {
                std::printf("%-22s %6.3f%% of a core (no link %6.3f%%; target %.0f%%: %s)\n",
                            name.c_str(), value, baseline, kTargetIdlePercent,
                            value < kTargetIdlePercent ? "met" : "MISSED");
                return;
            }
            std::printf("%-22s %7.4f s (TCP %7.4f s, ratio %5.1f; target %.1f s: %s)\n",
                        name.c_str(), value, baseline, value / baseline, kTargetConnectCloseSeconds,
                        value < kTargetConnectCloseSeconds ? "met" : "MISSED");
        });
    return runBenchmarks(argc, argv, reporter);
}
