#pragma once

// When the server announces its device: for about 2 s after each discovery beacon it hears,
// once the device's model is known. In local mode only discovery from this computer counts.
#include <cstdint>
#include <span>

namespace lynkor::server {

constexpr uint16_t kBeaconPort = 8585;
constexpr uint32_t kAnnounceIntervalMs = 100;
constexpr uint32_t kAnnounceLengthMs = 2001;
// A discovery heard from another host in local mode keeps the server quiet this long.
constexpr uint32_t kForeignQuietMs = 2000;

class Announcer {
public:
    Announcer(bool localMode, uint32_t interfaceAddress)
        : localMode_(localMode), interfaceAddress_(interfaceAddress) {}

    // A datagram on the beacon port from `sender` (IPv4, network byte order).
    void onBeacon(uint32_t sender, std::span<const uint8_t> bytes, bool modelKnown, uint64_t nowMs);
    // True when an announcement is due now; counts it as sent.
    bool takeDueAnnouncement(uint64_t nowMs);
    // How long the caller may wait before the next announcement is due, at most `limitMs`.
    uint32_t waitMs(uint64_t nowMs, uint32_t limitMs) const;
    bool announcing(uint64_t nowMs) const { return announcing_ && nowMs < endMs_; }

private:
    const bool localMode_;
    const uint32_t interfaceAddress_;
    bool announcing_ = false;
    uint64_t endMs_ = 0;
    uint64_t nextMs_ = 0;
    uint64_t quietUntilMs_ = 0;
};

}  // namespace lynkor::server
