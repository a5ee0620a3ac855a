// The link engine against the device simulator over loopback TCP, each figure beside a plain
// socket doing the same exchange in the same run:
//   round trip   one echo request and its reply
//   one way      packets to the device, ended by one echo to know they all arrived
//   idle         processor time of a running link that has nothing to do, over 2 s
// Run: build/bin/bench_link (built with -DLYNKOR_BUILD_BENCHMARKS=ON).
#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstring>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "idle_time.h"
#include "link/link_table.h"
#include "lynkor/aLink.h"
#include "simulator_process.h"

namespace {

constexpr uint8_t kAddress = 4;
constexpr uint8_t kCmdDebug = 23;
constexpr uint32_t kSerial = 0x40F5849A;
const uint8_t kEcho[] = {kAddress, 3, kCmdDebug, 0x01, 0x02};
// An unknown command: the device takes it and answers nothing.
const uint8_t kOneWay[] = {kAddress, 3, 0x7E, 0x01, 0x02};

// One lynkor-sim for the whole run.
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

void BM_RoundTrip_RawSocket(benchmark::State& state) {
    int fd = rawConnect();
    for (auto _ : state) {
        send(fd, kEcho, sizeof kEcho, MSG_NOSIGNAL);
        rawAwaitEcho(fd);
    }
    close(fd);
}
BENCHMARK(BM_RoundTrip_RawSocket)->UseRealTime()->MinTime(2.0);

void BM_RoundTrip_Link(benchmark::State& state) {
    aLinkRef link = linkConnect();
    for (auto _ : state) {
        linkSend(link, kEcho);
        linkAwaitEcho(link);
    }
    aLink_Destroy(&link);
}
BENCHMARK(BM_RoundTrip_Link)->UseRealTime()->MinTime(2.0);

constexpr int kBurst = 1000;

void BM_OneWay_RawSocket(benchmark::State& state) {
    int fd = rawConnect();
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
BENCHMARK(BM_OneWay_RawSocket)->UseRealTime()->MinTime(2.0);

void BM_OneWay_Link(benchmark::State& state) {
    aLinkRef link = linkConnect();
    aLink_EnablePooledPackets(link, state.range(0) != 0);
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
BENCHMARK(BM_OneWay_Link)->Arg(0)->Arg(1)->ArgName("pooled")->UseRealTime()->MinTime(2.0);

// Processor time of this process while it only sleeps, with and without a running link; the
// device sends its heartbeat every second, as a real one does.
void idle(benchmark::State& state, bool withLink) {
    aLinkRef link = withLink ? linkConnect() : 0;
    measureIdle(state);
    if (link != 0) {
        aLink_Destroy(&link);
    }
}

void BM_Idle_NoLink(benchmark::State& state) {
    idle(state, false);
}
BENCHMARK(BM_Idle_NoLink)->Iterations(1)->UseRealTime();

void BM_Idle_Link(benchmark::State& state) {
    idle(state, true);
}
BENCHMARK(BM_Idle_Link)->Iterations(1)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
