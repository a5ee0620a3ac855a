#include "beacon_announcer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>

#include <array>
#include <cstring>

namespace sim {

namespace {

using namespace std::chrono_literals;

constexpr uint16_t kBeaconPort = 8585;
constexpr const char* kLoopbackBroadcast = "127.255.255.255";
constexpr const char* kInterfaceAddress = "127.0.0.1";
constexpr const char kDiscoveryBeacon[] = "Lynkor2-Discovery";
constexpr auto kAnnounceInterval = 100ms;
constexpr auto kAnnounceTime = 2001ms;
// A discovery beacon from another host silences a local-mode server this long.
constexpr auto kForeignSilence = 2000ms;
// The largest beacon, as the messaging library's beacons carry.
constexpr size_t kBeaconMaxSize = 255;

// The announced kind of a device that the server reaches over TCP.
constexpr uint32_t kAnnouncedTcpKind = 6;
constexpr size_t kLinkRecordSize = 128;

void s_put32(std::vector<uint8_t>& record, size_t offset, uint32_t value) {
    for (int i = 0; i < 4; ++i) {
        record[offset + i] = static_cast<uint8_t>(value >> (8 * i));
    }
}

// The link record: type, serial number, module, router, router serial, model, then the IPv4
// address (first octet first) and the port, as 32-bit little-endian words.
std::vector<uint8_t> s_linkRecord(const NetworkDevice& device) {
    std::vector<uint8_t> record(kLinkRecordSize, 0);
    s_put32(record, 0, kAnnouncedTcpKind);
    s_put32(record, 4, device.config.serial);
    s_put32(record, 8, device.config.address);
    s_put32(record, 20, device.config.model);
    const uint32_t address = ipv4Address(device.listenAddress);
    std::memcpy(&record[24], &address, sizeof address);
    s_put32(record, 28, device.tcpPort);
    return record;
}

}  // namespace

BeaconAnnouncer::BeaconAnnouncer(EventLoop& loop, std::vector<NetworkDevice> devices)
    : loop_(loop) {
    for (const NetworkDevice& device : devices) {
        records_.push_back(s_linkRecord(device));
    }
    listener_.listen(kLoopbackBroadcast, kBeaconPort);
    sender_.sender(kInterfaceAddress);
    loop_.watch(listener_.fd(), POLLIN, [this](short) { onBeacon(); });
    loop_.every(kAnnounceInterval, [this] {
        if (EventLoop::Clock::now() < announceUntil_) {
            announce();
        }
    });
}

BeaconAnnouncer::~BeaconAnnouncer() {
    loop_.unwatch(listener_.fd());
}

void BeaconAnnouncer::onBeacon() {
    std::array<uint8_t, kBeaconMaxSize> beacon{};
    uint32_t from = 0;
    uint16_t fromPort = 0;
    const long size = listener_.receive(beacon.data(), beacon.size(), &from, &fromPort);
    const size_t prefix = sizeof kDiscoveryBeacon - 1;
    if (size < static_cast<long>(prefix) ||
        std::memcmp(beacon.data(), kDiscoveryBeacon, prefix) != 0) {
        return;
    }
    const auto now = EventLoop::Clock::now();
    if (from != ipv4Address(kInterfaceAddress)) {
        silentUntil_ = now + kForeignSilence;
        return;
    }
    if (now < silentUntil_ || now < announceUntil_) {
        return;
    }
    announceUntil_ = now + kAnnounceTime;
    announce();
}

void BeaconAnnouncer::announce() {
    for (const auto& record : records_) {
        sender_.send(record.data(), record.size(), ipv4Address(kLoopbackBroadcast), kBeaconPort);
    }
}

}  // namespace sim
