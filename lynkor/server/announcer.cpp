#include "server/announcer.h"

#include <algorithm>
#include <cstring>

namespace lynkor::server {

namespace {

constexpr char kDiscoveryBeacon[] = "Lynkor2-Discovery";
constexpr size_t kDiscoveryBeaconLength = sizeof kDiscoveryBeacon - 1;

}  // namespace

void Announcer::onBeacon(uint32_t sender, std::span<const uint8_t> bytes, bool modelKnown,
                         uint64_t nowMs) {
    if (!modelKnown || bytes.size() < kDiscoveryBeaconLength ||
        std::memcmp(bytes.data(), kDiscoveryBeacon, kDiscoveryBeaconLength) != 0) {
        return;
    }
    if (localMode_ && sender != interfaceAddress_) {
        quietUntilMs_ = nowMs + kForeignQuietMs;
        return;
    }
    if (nowMs < quietUntilMs_ || announcing(nowMs)) {
        return;
    }
    announcing_ = true;
    nextMs_ = nowMs;
    endMs_ = nowMs + kAnnounceLengthMs;
}

bool Announcer::takeDueAnnouncement(uint64_t nowMs) {
    if (!announcing(nowMs) || nowMs < nextMs_) {
        return false;
    }
    nextMs_ = nowMs + kAnnounceIntervalMs;
    return true;
}

uint32_t Announcer::waitMs(uint64_t nowMs, uint32_t limitMs) const {
    if (!announcing(nowMs)) {
        return limitMs;
    }
    return static_cast<uint32_t>(
        std::min<uint64_t>(limitMs, nextMs_ > nowMs ? nextMs_ - nowMs : 0));
}

}  // namespace lynkor::server
