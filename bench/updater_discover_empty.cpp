// The whole run of "updater -D" when there is no device on USB, from start to exit, beside the
// start and exit of a program that does nothing (true) measured in the same run:
//   no_devices_emulated   the emulated USB bus, empty
//   no_devices_host       the machine's own USB bus, through libusb
// Target: under 0.3 s. Run: build-bench/bin/bench_updater_discover_empty (scripts/bench.sh).
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

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

constexpr double kTargetSeconds = 0.3;
constexpr const char* kNothingProgram = "/bin/true";

// A home and an empty USB bus for the whole run.
struct Folders {
    Folders() {
        std::filesystem::create_directories(bus);
        std::filesystem::create_directories(home);
    }
    ~Folders() { std::filesystem::remove_all(root); }

    std::string root =
        std::filesystem::temp_directory_path() / ("bench-discover-" + std::to_string(getpid()));
    std::string home = root + "/home";
    std::string bus = root + "/usb";
};

Folders& folders() {
    static Folders instance;
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

void nothing(benchmark::State& state) {
    s_measure(state, kNothingProgram, {}, {s_home()});
}

BENCHMARK(discoverEmulated)->Name("discover/no_devices_emulated")->UseRealTime();
BENCHMARK(nothing)->Name("baseline/no_devices_emulated")->UseRealTime();
BENCHMARK(discoverHost)->Name("discover/no_devices_host")->UseRealTime();
BENCHMARK(nothing)->Name("baseline/no_devices_host")->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
    RatioReporter reporter(
        "discover", RatioReporter::counter("seconds"),
        [](const std::string& name, double value, double baseline) {
            std::printf("%-40s %7.4f s  (baseline %7.4f s, ratio %5.1f; target %.1f s: %s)\n",
                        name.c_str(), value, baseline, value / baseline, kTargetSeconds,
                        value < kTargetSeconds ? "met" : "MISSED");
        });
    return runBenchmarks(argc, argv, reporter);
}
