// The object layer beside the link engine underneath it, each figure beside a baseline measured
// in the same run:
//   get             an entity's 32-bit get  /  the same request and reply as raw packets
//   cached get      a get of a streamed value  /  the same get answered by the device
//   set bytes 64K   setUEIBytes of 65536 bytes  /  the same packets queued raw, then the reply
//   latency p50/p99 a stream sample to its callback  /  the same packet to a waiting reader
//   idle            processor time of a Link with streaming on, over 2 s  /  a plain link
// The device is lynkor-sim over loopback TCP; for the latency the program plays the device
// itself, so that it knows when each sample leaves.
// Run: build/bin/bench_object_layer (built with -DLYNKOR_BUILD_BENCHMARKS=ON).
#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <thread>
#include <vector>

#include "idle_time.h"
#include "link/link_table.h"
#include "lynkor/EntityClass.h"
#include "lynkor/Module.h"
#include "ratio_reporter.h"
#include "simulator_process.h"

namespace {

using namespace Norvane::Lynkor;
using Clock = std::chrono::steady_clock;

constexpr uint8_t kAddress = 4;
constexpr uint8_t kSystem = 3;
constexpr uint8_t kSerialOption = 9;
constexpr uint8_t kBytesCommand = 18;
const char* const kSerial = "40F5849A";
constexpr uint32_t kSerialNumber = 0x40F5849A;
constexpr uint32_t kBytesLength = 65536;
constexpr uint32_t kQueueHighWater = 500;

// The simulated device and its control socket (requests as in sim/device/control_server.h),
// with a byte-array property (18, option 3, index 0) for the byte sets.
class Simulator {
public:
    Simulator() { control(std::string("prop ") + kSerial + " 18 3 0 type=bytes access=rw"); }
    int tcpPort() const {
        return std::stoi(process_.value(std::string("tcp ") + kSerial + " 127.0.0.1:"));
    }
    void control(const std::string& request) { process_.control(request); }

private:
    SimulatorProcess process_{"lynkor-sim",
                              {"--heartbeat-ms", "0", "--device", kSerial, "--address", "4"}};
};

Simulator& simulator() {
    static Simulator instance;
    return instance;
}

linkSpec s_spec(int port) {
    linkSpec spec{};
    spec.type = TCPIP;
    spec.serial_num = kSerialNumber;
    spec.ip_address = htonl(INADDR_LOOPBACK);
    spec.ip_port = static_cast<uint32_t>(port);
    return spec;
}

TethraConfig s_direct() {
    TethraConfig config;
    config.enabled = false;
    config.fallback = false;
    return config;
}

// A Module on the simulated device, and the system entity on it.
struct Connected {
    explicit Connected(int port) {
        module.setConfig(s_direct());
        if (module.connectFromSpec(s_spec(port)) != aErrNone) {
            throw std::runtime_error("cannot connect");
        }
        system.init(&module, kSystem, 0);
        bytes.init(&module, kBytesCommand, 0);
    }
    Module module{kAddress, 0};
    EntityClass system;
    EntityClass bytes;
};

// The same link as the Module's (links are shared by identity), used raw.
aLinkRef s_rawLink() {
    return aLink_CreateTCPIP(kSerialNumber, htonl(INADDR_LOOPBACK),
                             static_cast<uint32_t>(simulator().tcpPort()));
}

uint8_t s_isSerialReply(const aPacket* packet, void*) {
    return packet->data_size == 7 && packet->data[0] == kSystem && packet->data[1] == kSerialOption;
}

void BM_Get_Object(benchmark::State& state) {
    Connected device(simulator().tcpPort());
    uint32_t value = 0;
    for (auto _ : state) {
        device.system.getUEI32(kSerialOption, &value);
    }
}
BENCHMARK(BM_Get_Object)->Name("object/get")->UseRealTime()->MinTime(2.0);

void BM_Get_Raw(benchmark::State& state) {
    Connected device(simulator().tcpPort());
    aLinkRef link = s_rawLink();
    const uint8_t request[] = {kSystem, UEI_GET | kSerialOption, UEI_REQUEST};
    for (auto _ : state) {
        aPacket* packet = aPacket_CreateWithData(kAddress, sizeof request, request);
        aLink_PutPacket(link, packet);
        aPacket_Destroy(&packet);
        aPacket* reply = aLink_AwaitFirst(link, s_isSerialReply, nullptr, 1000);
        aPacket_Destroy(&reply);
    }
    aLink_Destroy(&link);
}
BENCHMARK(BM_Get_Raw)->Name("baseline/get")->UseRealTime()->MinTime(2.0);

void BM_CachedGet(benchmark::State& state, bool streamed) {
    Connected device(simulator().tcpPort());
    if (streamed) {
        simulator().control(std::string("stream-period ") + kSerial + " 1");
        device.system.setStreamEnabled(true);
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    uint32_t value = 0;
    for (auto _ : state) {
        device.system.getUEI32(kSerialOption, &value);
    }
    if (streamed) {
        device.system.setStreamEnabled(false);
    }
}
BENCHMARK_CAPTURE(BM_CachedGet, cached, true)->Name("object/cached_get")->UseRealTime();
BENCHMARK_CAPTURE(BM_CachedGet, device, false)->Name("baseline/cached_get")->UseRealTime();

void BM_SetBytes_Object(benchmark::State& state) {
    Connected device(simulator().tcpPort());
    const std::vector<uint8_t> data(kBytesLength, 0x5A);
    // Untimed: the device's first value of this size costs it more than later ones.
    device.bytes.setUEIBytes(3, data.data(), kBytesLength);
    for (auto _ : state) {
        if (device.bytes.setUEIBytes(3, data.data(), kBytesLength) != aErrNone) {
            state.SkipWithError("set failed");
        }
    }
    state.SetBytesProcessed(state.iterations() * kBytesLength);
}
BENCHMARK(BM_SetBytes_Object)->Name("object/set_bytes_64K")->UseRealTime()->MinTime(2.0);

uint8_t s_isBytesAck(const aPacket* packet, void*) {
    return packet->data_size >= 3 && packet->data[0] == kBytesCommand &&
           packet->data[1] == (UEI_ACK | 3) && (packet->data[2] & UEI_ERROR) == 0;
}

void BM_SetBytes_Raw(benchmark::State& state) {
    Connected device(simulator().tcpPort());
    aLinkRef link = s_rawLink();
    const uint64_t outbound = lynkor::link::sLookupEntryByID(link)->outbound;
    // The run's packets, made once.
    std::vector<aPacket*> run;
    for (uint32_t offset = 0, sequence = 0; offset < kBytesLength; offset += 24, ++sequence) {
        uint8_t data[28] = {kBytesCommand, UEI_SET | 3, UEI_REQUEST};
        std::fill(data + 3, data + 27, 0x5A);
        data[27] =
            static_cast<uint8_t>((offset + 24 < kBytesLength ? 0x80 : 0) | (sequence & 0x7F));
        const uint8_t payload = static_cast<uint8_t>(std::min<uint32_t>(24, kBytesLength - offset));
        data[3 + payload] = data[27];
        run.push_back(aPacket_CreateWithData(kAddress, payload + 4, data));
    }
    auto sendRun = [&] {
        for (aPacket* packet : run) {
            while (aPacketFifo_GetLength(outbound) >= kQueueHighWater) {
                std::this_thread::yield();
            }
            aLink_PutPacket(link, packet);
        }
        aPacket* reply = aLink_AwaitFirst(link, s_isBytesAck, nullptr, 4000);
        const bool acknowledged = reply != nullptr;
        aPacket_Destroy(&reply);
        return acknowledged;
    };
    // Untimed, as for the object.
    sendRun();
    for (auto _ : state) {
        if (!sendRun()) {
            state.SkipWithError("no acknowledgement");
        }
    }
    state.SetBytesProcessed(state.iterations() * kBytesLength);
    for (aPacket*& packet : run) {
        aPacket_Destroy(&packet);
    }
    aLink_Destroy(&link);
}
BENCHMARK(BM_SetBytes_Raw)->Name("baseline/set_bytes_64K")->UseRealTime()->MinTime(2.0);

// A device played here: it acknowledges every set and sends the samples it is told to.
class SampleSource {
public:
    SampleSource() {
        listener_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        bind(listener_, reinterpret_cast<sockaddr*>(&address), length);
        listen(listener_, 1);
        getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length);
        port_ = ntohs(address.sin_port);
        thread_ = std::thread([this] { serve(); });
    }
    ~SampleSource() {
        stopping_ = true;
        thread_.join();
        close(listener_);
    }
    int port() const { return port_; }
    // Sends one int sample of system option 9 and answers when it left.
    Clock::time_point send() {
        const uint8_t sample[] = {
            kAddress, 17, kSystem, kSerialOption, UEI_STREAM, 3, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0,
            0,        7,  0};
        const Clock::time_point now = Clock::now();
        ::send(host_.load(), sample, sizeof sample, MSG_NOSIGNAL);
        return now;
    }
    bool connected() const { return host_.load() >= 0; }

private:
    void serve() {
        while (!stopping_ && host_.load() < 0) {
            pollfd waiting{listener_, POLLIN, 0};
            if (poll(&waiting, 1, 20) > 0) {
                const int fd = accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
                int on = 1;
                setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
                host_ = fd;
            }
        }
        uint8_t packet[32];
        while (!stopping_) {
            pollfd waiting{host_.load(), POLLIN, 0};
            if (poll(&waiting, 1, 20) <= 0) {
                continue;
            }
            if (recv(host_.load(), packet, 2, MSG_WAITALL) != 2 ||
                (packet[1] > 0 &&
                 recv(host_.load(), packet + 2, packet[1], MSG_WAITALL) != packet[1])) {
                break;
            }
            if (packet[1] >= 3 && (packet[3] & UEI_SET) != 0) {
                const uint8_t answer[] = {packet[0], 3, packet[2],
                                          static_cast<uint8_t>(packet[3] | UEI_ACK), 0};
                ::send(host_.load(), answer, sizeof answer, MSG_NOSIGNAL);
            }
        }
        close(host_.exchange(-1));
    }

    int listener_ = -1;
    int port_ = 0;
    std::atomic<int> host_{-1};
    std::atomic<bool> stopping_{false};
    std::thread thread_;
};

constexpr int kLatencySamples = 2000;

double s_percentile(std::vector<double> values, double fraction) {
    std::sort(values.begin(), values.end());
    return values[static_cast<size_t>(fraction * static_cast<double>(values.size() - 1))];
}

uint8_t s_isSample(const aPacket* packet, void*) {
    return Link::isStreamPacket(packet);
}

// Microseconds from each sample's leaving to its callback (or, plain, to a waiting reader).
std::vector<double> s_latencies(bool throughCallbacks) {
    SampleSource source;
    Link link("latency");
    link.setConfig(s_direct());
    link.setLinkSpecifier(s_spec(source.port()));
    if (link.connect() != aErrNone) {
        throw std::runtime_error("cannot connect");
    }
    while (!source.connected()) {
        std::this_thread::yield();
    }
    std::atomic<int64_t> arrived{0};
    std::atomic<int> count{0};
    aLinkRef raw = 0;
    if (throughCallbacks) {
        link.registerStreamCallback(
            kAddress, kSystem, kSerialOption, 0, true,
            [&](const aPacket*, void*) -> uint8_t {
                arrived = Clock::now().time_since_epoch().count();
                ++count;
                return 0;
            },
            nullptr);
    } else {
        raw = aLink_CreateTCPIP(kSerialNumber, htonl(INADDR_LOOPBACK),
                                static_cast<uint32_t>(source.port()));
    }
    std::vector<double> latencies;
    for (int i = 0; i < kLatencySamples; ++i) {
        const Clock::time_point sent = source.send();
        if (throughCallbacks) {
            while (count.load() <= i) {
                std::this_thread::yield();
            }
        } else {
            aPacket* packet = aLink_AwaitFirst(raw, s_isSample, nullptr, 1000);
            arrived = Clock::now().time_since_epoch().count();
            aPacket_Destroy(&packet);
        }
        latencies.push_back(static_cast<double>(arrived.load() - sent.time_since_epoch().count()) /
                            1000.0);
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    if (raw != 0) {
        aLink_Destroy(&raw);
    }
    return latencies;
}

void BM_Latency(benchmark::State& state, bool throughCallbacks) {
    std::vector<double> latencies;
    for (auto _ : state) {
        latencies = s_latencies(throughCallbacks);
    }
    state.counters["p50_us"] = s_percentile(latencies, 0.50);
    state.counters["p99_us"] = s_percentile(latencies, 0.99);
}
BENCHMARK_CAPTURE(BM_Latency, callback, true)->Name("object/latency")->Iterations(1)->UseRealTime();
BENCHMARK_CAPTURE(BM_Latency, reader, false)
    ->Name("baseline/latency")
    ->Iterations(1)
    ->UseRealTime();

// Processor time over 2 s of sleep with a connected Link: streaming enabled (the device sends a
// sample a minute), or a plain link.
void BM_Idle(benchmark::State& state, bool streaming) {
    Connected device(simulator().tcpPort());
    simulator().control(std::string("stream-period ") + kSerial + " 60000");
    if (streaming) {
        device.system.registerOptionCallback(
            kSerialOption, true, [](const aPacket*, void*) -> uint8_t { return 0; }, nullptr);
    }
    measureIdle(state);
    if (streaming) {
        device.system.registerOptionCallback(kSerialOption, false, nullptr, nullptr);
    }
}
BENCHMARK_CAPTURE(BM_Idle, streaming, true)->Name("object/idle")->Iterations(1)->UseRealTime();
BENCHMARK_CAPTURE(BM_Idle, plain, false)->Name("baseline/idle")->Iterations(1)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
    RatioReporter reporter(
        "object",
        [](const RatioReporter::Run& run) -> std::optional<double> {
            for (const char* counter : {"p50_us", "core_percent"}) {
                if (const auto found = run.counters.find(counter); found != run.counters.end()) {
                    return found->second.value;
                }
            }
            return run.GetAdjustedRealTime();
        },
        [](const std::string& name, double value, double baseline) {
            std::printf("%-24s %10.3f beside %10.3f: %.2fx the baseline\n", name.c_str(), value,
                        baseline, value / baseline);
        });
    return runBenchmarks(argc, argv, reporter);
}
