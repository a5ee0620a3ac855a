// The whole run of "updater -D", from start to exit, each beside a baseline measured in the same
// run:
//   no_devices_emulated   the emulated USB bus, empty          beside a program that does nothing
//   no_devices_host       the machine's own USB bus (libusb)   beside a program that does nothing
//   two_usb_devices       two simulated devices on the emulated bus, each connected, read and
//                         let go                                beside -D on the empty bus
// Targets: under 0.3 s with no device; under 0.3 s more for each device found.
// Run: build-bench/bin/bench_updater_discover (scripts/bench.sh).
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "ratio_reporter.h"
#include "simulator_process.h"

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

constexpr double kTargetSeconds = 0.3;
constexpr double kTargetSecondsPerDevice = 0.3;
constexpr int kDeviceCount = 2;
constexpr const char* kNothingProgram = "/bin/true";

// A home, an empty USB bus and a bus for the simulated devices, for the whole run.
struct Folders {
    Folders() {
        std::filesystem::create_directories(bus);
        std::filesystem::create_directories(busWithDevices);
        std::filesystem::create_directories(home);
    }
    ~Folders() { std::filesystem::remove_all(root); }

    std::string root =
        std::filesystem::temp_directory_path() / ("bench-discover-" + std::to_string(getpid()));
    std::string home = root + "/home";
    std::string bus = root + "/usb";
    std::string busWithDevices = root + "/usb-devices";
};

Folders& folders() {
    static Folders instance;
    return instance;
}

// Two devices of different models on the emulated bus, with the heartbeat a real one sends.
SimulatorProcess& devices() {
    static SimulatorProcess instance{
        "lynkor-sim",
        {"--usb-dir", folders().busWithDevices, "--device", "11111112", "--usb", "--address", "4",
         "--model", "17", "--device", "22222224", "--usb", "--address", "6", "--model", "19"}};
    return instance;
}

// Runs a program to its end with our environment less any USB emulation, plus `extra`; its
// output goes nowhere. False when it could not be run or did not exit with 0.
bool s_run(const std::string& program, const std::vector<std::string>& arguments,
           const std::vector<std::string>& extra) {
    std::vector<std::string> strings{program};
    strings.insert(strings.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (std::string& text : strings) {
        argv.push_back(text.data());
    }
    argv.push_back(nullptr);
    std::vector<std::string> environment = extra;
    for (char** entry = environ; *entry != nullptr; ++entry) {
        if (std::string(*entry).rfind("LYNKOR_USB_EMULATION=", 0) != 0) {
            environment.emplace_back(*entry);
        }
    }
    std::vector<char*> envp;
    for (std::string& text : environment) {
        envp.push_back(text.data());
    }
    envp.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    int status = 0;
    return spawned == 0 && waitpid(pid, &status, 0) == pid && WIFEXITED(status) &&
           WEXITSTATUS(status) == 0;
}

void s_measure(benchmark::State& state, const std::string& program,
               const std::vector<std::string>& arguments, const std::vector<std::string>& extra) {
    double seconds = 0;
    for (auto _ : state) {
        const auto start = Clock::now();
        if (!s_run(program, arguments, extra)) {
            state.SkipWithError((program + " did not run to success").c_str());
            return;
        }
        seconds += std::chrono::duration<double>(Clock::now() - start).count();
    }
    state.counters["seconds"] = benchmark::Counter(seconds, benchmark::Counter::kAvgIterations);
}

std::string s_updater() {
    return std::string(LYNKOR_BIN_DIR) + "/updater";
}

std::string s_home() {
    return "HOME=" + folders().home;
}

void discoverEmulated(benchmark::State& state) {
    s_measure(state, s_updater(), {"-D"}, {s_home(), "LYNKOR_USB_EMULATION=" + folders().bus});
}

void discoverHost(benchmark::State& state) {
    s_measure(state, s_updater(), {"-D"}, {s_home()});
}

void discoverTwoDevices(benchmark::State& state) {
    devices();
    s_measure(state, s_updater(), {"-D"},
              {s_home(), "LYNKOR_USB_EMULATION=" + folders().busWithDevices});
}

void nothing(benchmark::State& state) {
    s_measure(state, kNothingProgram, {}, {s_home()});
}

BENCHMARK(discoverEmulated)->Name("discover/no_devices_emulated")->UseRealTime();
BENCHMARK(nothing)->Name("baseline/no_devices_emulated")->UseRealTime();
BENCHMARK(discoverHost)->Name("discover/no_devices_host")->UseRealTime();
BENCHMARK(nothing)->Name("baseline/no_devices_host")->UseRealTime();
BENCHMARK(discoverTwoDevices)->Name("discover/two_usb_devices")->UseRealTime()->MinTime(2.0);
BENCHMARK(discoverEmulated)->Name("baseline/two_usb_devices")->UseRealTime()->MinTime(2.0);

}  // namespace

int main(int argc, char** argv) {
    RatioReporter reporter(
        "discover", RatioReporter::counter("seconds"),
        [](const std::string& name, double value, double baseline) {
            if (name.find("two_usb_devices") != std::string::npos) {
                const double perDevice = (value - baseline) / kDeviceCount;
                std::printf(
                    "%-40s %7.4f s  (empty bus %7.4f s, %.4f s per device; target %.1f s "
                    "per device: %s)\n",
                    name.c_str(), value, baseline, perDevice, kTargetSecondsPerDevice,
                    perDevice < kTargetSecondsPerDevice ? "met" : "MISSED");
                return;
            }
            std::printf("%-40s %7.4f s  (baseline %7.4f s, ratio %5.1f; target %.1f s: %s)\n",
                        name.c_str(), value, baseline, value / baseline, kTargetSeconds,
                        value < kTargetSeconds ? "met" : "MISSED");
        });
    return runBenchmarks(argc, argv, reporter);
}
