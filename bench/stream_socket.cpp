// Socket stream figures, each beside a raw-socket baseline from the same run:
//   stream/ping_pong      a 30-byte packet written and its echo read back, through the stream
//   baseline/ping_pong    the same with blocking send and recv on a plain socket
//   stream/idle_reader    processor time of a link-style reader loop on an idle line for 1 s
//   baseline/idle_reader  the same loop over a socket read that returns at once (what a reader
//                         costs when `get` does not wait for readiness)
#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <benchmark/benchmark.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <string>
#include <thread>

#include "idle_time.h"
#include "lynkor/aStream.h"
#include "ratio_reporter.h"

namespace {

constexpr size_t kPacketSize = 30;
constexpr auto kIdleSpan = std::chrono::seconds(1);

// A loopback server that accepts one connection and, when asked, echoes all it receives.
class LoopbackPeer {
public:
    explicit LoopbackPeer(bool echo) {
        listener_ = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t size = sizeof address;
        bind(listener_, reinterpret_cast<sockaddr*>(&address), size);
        listen(listener_, 1);
        getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &size);
        port_ = ntohs(address.sin_port);
        thread_ = std::thread([this, echo] {
            peer_ = accept(listener_, nullptr, nullptr);
            int noDelay = 1;
            setsockopt(peer_, IPPROTO_TCP, TCP_NODELAY, &noDelay, sizeof noDelay);
            char buffer[4096];
            ssize_t got = 0;
            while (echo && (got = recv(peer_, buffer, sizeof buffer, 0)) > 0) {
                send(peer_, buffer, static_cast<size_t>(got), MSG_NOSIGNAL);
            }
        });
    }
    ~LoopbackPeer() {
        shutdown(listener_, SHUT_RDWR);
        close(listener_);
        thread_.join();
        if (peer_ >= 0) {
            close(peer_);
        }
    }
    uint16_t port() const { return port_; }

private:
    int listener_ = -1;
    int peer_ = -1;
    uint16_t port_ = 0;
    std::thread thread_;
};

int s_rawConnect(uint16_t port) {
    int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(port);
    connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
    int noDelay = 1;
    setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &noDelay, sizeof noDelay);
    return fd;
}

aStream* s_streamTo(uint16_t port) {
    aStream* stream = nullptr;
    aStream_CreateSocket(htonl(INADDR_LOOPBACK), port, &stream);
    return stream;
}

void streamPingPong(benchmark::State& state) {
    LoopbackPeer peer(true);
    aStream* stream = s_streamTo(peer.port());
    if (stream == nullptr) {
        state.SkipWithError("no socket stream");
        return;
    }
    uint8_t packet[kPacketSize] = {0x02, kPacketSize - 2};
    uint8_t echo[kPacketSize];
    for (auto _ : state) {
        aStream_Write(stream, packet, sizeof packet);
        aErr result = aErrNotReady;
        while (result == aErrNotReady) {
            result = aStream_Read(stream, echo, sizeof echo);
        }
        if (result != aErrNone) {
            state.SkipWithError("echo lost");
            break;
        }
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * 2 * kPacketSize));
    aStream_Destroy(&stream);
}

void rawPingPong(benchmark::State& state) {
    LoopbackPeer peer(true);
    int fd = s_rawConnect(peer.port());
    uint8_t packet[kPacketSize] = {0x02, kPacketSize - 2};
    uint8_t echo[kPacketSize];
    for (auto _ : state) {
        send(fd, packet, sizeof packet, MSG_NOSIGNAL);
        size_t got = 0;
        while (got < sizeof echo) {
            ssize_t now = recv(fd, echo + got, sizeof echo - got, 0);
            if (now <= 0) {
                state.SkipWithError("echo lost");
                break;
            }
            got += static_cast<size_t>(now);
        }
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * 2 * kPacketSize));
    close(fd);
}

// A link reader's loop: ask for a byte, and ask again at once when none is there.
template <typename ReadOnce>
void idleReader(benchmark::State& state, ReadOnce readOnce) {
    for (auto _ : state) {
        const double before = processSeconds();
        const auto end = std::chrono::steady_clock::now() + kIdleSpan;
        long calls = 0;
        while (std::chrono::steady_clock::now() < end) {
            readOnce();
            ++calls;
        }
        state.counters["cpu_ms_per_s"] = (processSeconds() - before) * 1000.0;
        state.counters["calls"] = static_cast<double>(calls);
    }
}

void streamIdleReader(benchmark::State& state) {
    LoopbackPeer peer(false);
    aStream* stream = s_streamTo(peer.port());
    uint8_t byte = 0;
    idleReader(state, [&] { benchmark::DoNotOptimize(aStream_Read(stream, &byte, 1)); });
    aStream_Destroy(&stream);
}

void rawIdleReader(benchmark::State& state) {
    LoopbackPeer peer(false);
    int fd = s_rawConnect(peer.port());
    uint8_t byte = 0;
    idleReader(state, [&] { benchmark::DoNotOptimize(recv(fd, &byte, 1, MSG_DONTWAIT)); });
    close(fd);
}

BENCHMARK(streamPingPong)->Name("stream/ping_pong")->UseRealTime();
BENCHMARK(rawPingPong)->Name("baseline/ping_pong")->UseRealTime();
BENCHMARK(streamIdleReader)->Name("stream/idle_reader")->Iterations(1)->UseRealTime();
BENCHMARK(rawIdleReader)->Name("baseline/idle_reader")->Iterations(1)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
    RatioReporter reporter(
        "stream",
        [](const RatioReporter::Run& run) -> std::optional<double> {
            for (const char* counter : {"bytes_per_second", "cpu_ms_per_s"}) {
                if (const auto found = run.counters.find(counter); found != run.counters.end()) {
                    return found->second.value;
                }
            }
            return std::nullopt;
        },
        [](const std::string& name, double value, double baseline) {
            const char* unit =
                name.find("ping_pong") != std::string::npos ? "bytes/s" : "ms processor time per s";
            std::printf("%-20s %12.0f %s  (baseline %12.0f, ratio %.3f)\n", name.c_str(), value,
                        unit, baseline, value / baseline);
        });
    return runBenchmarks(argc, argv, reporter);
}
