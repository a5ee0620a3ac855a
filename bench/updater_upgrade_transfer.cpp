// Moving 64 KB of firmware into a simulated device's flash over loopback TCP with the upgrade
// protocol, beside the raw request and reply it is made of, measured in the same run:
//   transfer/packets     PREPARE, then per 512-byte chunk its DATA packets, SUM and WRITE
//   transfer/byte_array  PREPARE, then per chunk one byte-array write, SUM and WRITE
// each given as time per round trip (the transfer's time divided by its count of requests that
// await a reply), beside baseline/<case>: one SUM request and its status reply sent as raw
// packets through the same link. The figure printed is their ratio.
// Run: build-bench/bin/bench_updater_upgrade_transfer (scripts/bench.sh).
#include <arpa/inet.h>
#include <netinet/in.h>

#include <benchmark/benchmark.h>

#include <array>
#include <cstdio>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

#include "display/updater_display_interface.h"
#include "lynkor/Module.h"
#include "ratio_reporter.h"
#include "simulator_process.h"
#include "support/bird_file_builder.h"
#include "upgrade/updater_entity.h"
#include "upgrade/upgrade_messages.h"

namespace {

using Norvane::Lynkor::Module;

const char* const kSerial = "40F5849A";
constexpr uint32_t kSerialNumber = 0x40F5849A;
constexpr size_t kImageSize = 64 * 1024;
constexpr uint16_t kBlockSize = 512;
constexpr uint32_t kLoadAddress = 0x00010000;

class SilentDisplay final : public UpdaterDisplayInterface {
public:
    void setProgressActive(bool) override {}
    void showProgress(double, const char*) override {}
    void showBusy(bool, const char*) override {}
    void showInfo(const char*) override {}
    void showError(const char*) override {}
};

// A device running its loader, and a Module connected to it for the whole run.
class Device {
public:
    Device() {
        Norvane::Lynkor::TethraConfig config;
        config.enabled = false;
        config.fallback = false;
        module_.setConfig(config);
        linkSpec spec{};
        spec.type = TCPIP;
        spec.serial_num = kSerialNumber;
        spec.ip_address = htonl(INADDR_LOOPBACK);
        spec.ip_port = static_cast<uint32_t>(
            std::stoi(process_.value(std::string("tcp ") + kSerial + " 127.0.0.1:")));
        process_.control(std::string("upgrade ") + kSerial + " pooled=on");
        if (module_.connectFromSpec(spec) != aErrNone) {
            throw std::runtime_error("no connection to the simulated device");
        }
    }
    Module& module() { return module_; }

private:
    SimulatorProcess process_{"lynkor-sim",
                              {"--heartbeat-ms", "0", "--device", kSerial, "--tcp", "--loader",
                               "--block-size", std::to_string(kBlockSize)}};
    Module module_{2, 0};
};

Device& device() {
    static Device instance;
    return instance;
}

std::vector<uint8_t>& body() {
    static std::vector<uint8_t> bytes = [] {
        std::vector<uint8_t> all{0x00, 0x01, 0x00, 0x00};
        const std::vector<uint8_t> image =
            testing_support::BirdFileBuilder::noiseImage(kImageSize, 0x13579BDF);
        all.insert(all.end(), image.begin(), image.end());
        return all;
    }();
    return bytes;
}

// Requests that await a reply: PREPARE, then per chunk its data requests, SUM and WRITE.
double s_roundTrips(bool byteArrays) {
    const size_t chunks = (kImageSize + kBlockSize - 1) / kBlockSize;
    const size_t dataRequests =
        byteArrays
            ? chunks
            : chunks * ((kBlockSize + kUpgradeDataBytesPerPacket - 1) / kUpgradeDataBytesPerPacket);
    return static_cast<double>(1 + dataRequests + 2 * chunks);
}

void s_transfer(benchmark::State& state, bool byteArrays) {
    Module& module = device().module();
    SilentDisplay display;
    UpdaterEntity entity;
    entity.init(&module, 0, true, true);
    // As the firmware driver does: byte arrays, and pooled packets where the device takes them.
    if (byteArrays &&
        (entity.CheckUEIDataSupport() != aErrNone || entity.checkProtocolVersion() != aErrNone)) {
        state.SkipWithError("the device takes no byte arrays");
        return;
    }
    for (auto _ : state) {
        uint16_t blockSize = 0;
        if (entity.TransferPrepare(body(), 0, blockSize) != aErrNone ||
            entity.firmwareTransfer(body(), blockSize, &display) != aErrNone) {
            state.SkipWithError("transfer failed");
            return;
        }
    }
    state.counters["round_trips"] = s_roundTrips(byteArrays);
}

void s_rawRoundTrip(benchmark::State& state) {
    Module& module = device().module();
    Norvane::Lynkor::Link* link = module.getLink();
    const uint8_t address = module.getModuleAddress();
    const std::array<uint8_t, 1> sum{val_UPGRADE_SUM};
    const std::array<uint8_t, 2> status{cmdUPGRADE, val_UPGRADE_STATUS};
    std::array<uint8_t, aPACKET_MAX_DATA> reply{};
    for (auto _ : state) {
        uint8_t length = 0;
        if (link->sendPacket(address, cmdUPGRADE, sum.size(), sum.data()) != aErrNone ||
            link->receivePacket(address, status.data(), status.size(), &length, reply.data()) !=
                aErrNone) {
            state.SkipWithError("no reply");
            return;
        }
    }
    state.counters["round_trips"] = 1;
}

BENCHMARK_CAPTURE(s_transfer, packets, false)
    ->Name("transfer/packets")
    ->Unit(benchmark::kMillisecond)
    ->MinTime(2.0);
BENCHMARK_CAPTURE(s_transfer, byte_array, true)
    ->Name("transfer/byte_array")
    ->Unit(benchmark::kMillisecond)
    ->MinTime(2.0);
BENCHMARK(s_rawRoundTrip)->Name("baseline/packets")->Unit(benchmark::kMicrosecond)->MinTime(2.0);
BENCHMARK(s_rawRoundTrip)->Name("baseline/byte_array")->Unit(benchmark::kMicrosecond)->MinTime(2.0);

}  // namespace

int main(int argc, char** argv) {
    RatioReporter reporter(
        "transfer",
        [](const RatioReporter::Run& run) -> std::optional<double> {
            const auto trips = run.counters.find("round_trips");
            if (trips == run.counters.end() || trips->second.value <= 0) {
                return std::nullopt;
            }
            return run.GetAdjustedRealTime() / trips->second.value /
                   benchmark::GetTimeUnitMultiplier(run.time_unit);
        },
        [](const std::string& name, double perTrip, double baseline) {
            std::printf("%-22s %8.1f us per round trip, raw round trip %6.1f us: %.2fx\n",
                        name.c_str(), perTrip * 1e6, baseline * 1e6, perTrip / baseline);
        });
    return runBenchmarks(argc, argv, reporter);
}
