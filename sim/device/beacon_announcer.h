// Announces devices by beacon as a device server in local mode does: when a discovery beacon
// from this computer arrives, each device's 128-byte link record is broadcast on loopback every
// 100 ms for 2001 ms. The record names the device's own TCP port, which stands in for a
// server's port: enough to be found, not a device server to connect to.
#pragma once

#include <chrono>
#include <vector>

#include "event_loop.h"
#include "simulator.h"
#include "udp_endpoint.h"

namespace sim {

class BeaconAnnouncer {
public:
    BeaconAnnouncer(EventLoop& loop, std::vector<NetworkDevice> devices);
    ~BeaconAnnouncer();
    BeaconAnnouncer(const BeaconAnnouncer&) = delete;
    BeaconAnnouncer& operator=(const BeaconAnnouncer&) = delete;

private:
    void onBeacon();
    void announce();

    EventLoop& loop_;
    std::vector<std::vector<uint8_t>> records_;
    UdpEndpoint listener_;
    UdpEndpoint sender_;
    EventLoop::Clock::time_point announceUntil_{};
    EventLoop::Clock::time_point silentUntil_{};
};

}  // namespace sim
