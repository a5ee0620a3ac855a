// Writing 64 KB through a chip's serial boot loader, against the boot-loader simulator paced at
// 10 bit times per character of 115200 baud, each figure beside a baseline from the same run:
//   flash_64KB   the flash procedure (unlock, erase, 64 KB in staged chunks, start), beside the
//                floor: the characters it sent, at 10 bits each, at the line rate
//   write_64KB   the whole dialogue (synchronise, identify, flash), beside a programming tool of
//                another origin writing the same image to the same paced simulator
// Run: build-bench/bin/bench_updater_serial_flash (scripts/bench.sh).
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

#include "firmware/bird_file.h"
#include "ratio_reporter.h"
#include "recovery/isp_procedures.h"
#include "simulator_process.h"
#include "support/bird_file_builder.h"

namespace {

using Clock = std::chrono::steady_clock;
using testing_support::BirdFileBuilder;

constexpr uint32_t kRate = 115200;
constexpr double kBitsPerCharacter = 10.0;
constexpr size_t kImageSize = 64 * 1024;
constexpr const char* kPeerTool = "/usr/bin/lpc21isp";

double s_secondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

double s_lineSeconds(long characters) {
    return static_cast<double>(characters) * kBitsPerCharacter / kRate;
}

// The image as a raw file and as a bird file (the image at address 0, then the end marker), in
// a folder of their own for the whole run.
struct Files {
    Files() {
        std::filesystem::create_directories(folder);
        const std::vector<uint8_t> image = BirdFileBuilder::noiseImage(kImageSize, 0x2468ACE1);
        BirdFileBuilder::writeBytes(raw, image);
        BirdFileBuilder().firmware(0, image).firmware(0, {0, 0, 0, 0}).writeTo(bird);
    }
    ~Files() { std::filesystem::remove_all(folder); }

    std::string folder =
        std::filesystem::temp_directory_path() / ("bench-serial-flash-" + std::to_string(getpid()));
    std::string raw = folder + "/image.bin";
    std::string bird = folder + "/image.bird";
    std::string capture = folder + "/capture";
};

Files& files() {
    static Files instance;
    return instance;
}

// A fresh paced simulator: a chip just reset into its boot loader.
class PacedChip {
public:
    const std::string& path() const { return path_; }
    // Characters the host has sent so far.
    long received() const {
        struct stat info {};
        return stat(files().capture.c_str(), &info) == 0 ? static_cast<long>(info.st_size) : 0;
    }

private:
    SimulatorProcess process_{"lynkor-isp-sim", {"--pace", "--capture", files().capture}};
    std::string path_ = process_.value("pty ");
};

// Synchronises and identifies, then flashes; the seconds of each part and the characters the
// flash sent.
struct OurRun {
    double identifySeconds = 0;
    double flashSeconds = 0;
    long flashCharacters = 0;
};

OurRun s_ourRun(benchmark::State& state) {
    PacedChip chip;
    const BirdFile bird(files().bird);
    OurRun run;
    const auto start = Clock::now();
    if (!identify(nullptr, chip.path(), kRate)) {
        state.SkipWithError("identify failed");
        return run;
    }
    run.identifySeconds = s_secondsSince(start);
    const long before = chip.received();
    const auto flashStart = Clock::now();
    if (!flashBird(nullptr, bird, chip.path(), kRate)) {
        state.SkipWithError("flashBird failed");
        return run;
    }
    run.flashSeconds = s_secondsSince(flashStart);
    run.flashCharacters = chip.received() - before;
    return run;
}

void ourFlash(benchmark::State& state) {
    for (auto _ : state) {
        const OurRun run = s_ourRun(state);
        state.counters["seconds"] = run.flashSeconds;
        state.counters["characters"] = static_cast<double>(run.flashCharacters);
    }
}

void floorOfFlash(benchmark::State& state) {
    for (auto _ : state) {
        const OurRun run = s_ourRun(state);
        state.counters["seconds"] = s_lineSeconds(run.flashCharacters);
        state.counters["characters"] = static_cast<double>(run.flashCharacters);
    }
}

void ourWrite(benchmark::State& state) {
    for (auto _ : state) {
        const OurRun run = s_ourRun(state);
        state.counters["seconds"] = run.identifySeconds + run.flashSeconds;
    }
}

void peerWrite(benchmark::State& state) {
    if (access(kPeerTool, X_OK) != 0) {
        state.SkipWithError("the peer programming tool is not installed");
        return;
    }
    for (auto _ : state) {
        PacedChip chip;
        const auto start = Clock::now();
        const pid_t pid = fork();
        if (pid == 0) {
            freopen("/dev/null", "w", stdout);
            freopen("/dev/null", "r", stdin);
            execl(kPeerTool, kPeerTool, "-bin", files().raw.c_str(), chip.path().c_str(),
                  std::to_string(kRate).c_str(), "14746", static_cast<char*>(nullptr));
            _exit(127);
        }
        int status = 0;
        waitpid(pid, &status, 0);
        state.counters["seconds"] = s_secondsSince(start);
        state.counters["characters"] = static_cast<double>(chip.received());
        if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
            state.SkipWithError("the peer programming tool failed");
        }
    }
}

BENCHMARK(ourFlash)->Name("serial_isp/flash_64KB")->Iterations(1)->UseRealTime();
BENCHMARK(floorOfFlash)->Name("baseline/flash_64KB")->Iterations(1)->UseRealTime();
BENCHMARK(ourWrite)->Name("serial_isp/write_64KB")->Iterations(1)->UseRealTime();
BENCHMARK(peerWrite)->Name("baseline/write_64KB")->Iterations(1)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
    RatioReporter reporter("serial_isp", RatioReporter::counter("seconds"),
                           [](const std::string& name, double value, double baseline) {
                               std::printf("%-24s %8.3f s  (baseline %8.3f s, ratio %.3f)\n",
                                           name.c_str(), value, baseline, value / baseline);
                           });
    return runBenchmarks(argc, argv, reporter);
}
