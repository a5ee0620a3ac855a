// Streaming on cmdLINK (93, index 0): a 32-bit set of option 1 enables the stream key given as
// its value (bits 24-31 module, 16-23 command, 8-15 option, 0-7 index; 0xFF in command, option
// or index matches any), a set of option 2 disables every enabled key the value matches, and a
// get of option 1 answers 1 while any key is enabled. Every period the device then sends one
// sample of each readable number property that an enabled key matches:
//   [command, option, index | 0x40, type, (subindex,) time high (4), time low (4), value, 0]
// type 1, 2, 3 for 1-, 2-, 4-byte values, 5, 6, 7 for their subindexed forms; the time is in
// microseconds since the device started.
#pragma once

#include <chrono>
#include <cstdint>
#include <vector>

#include "device.h"

namespace sim {

class LinkStreams {
public:
    struct Key {
        uint8_t module;
        uint8_t command;
        uint8_t option;
        uint8_t index;
    };

    static constexpr auto kMinPeriod = std::chrono::milliseconds(1);
    static constexpr auto kMaxPeriod = std::chrono::milliseconds(60000);

    explicit LinkStreams(Device& device);
    ~LinkStreams();
    LinkStreams(const LinkStreams&) = delete;
    LinkStreams& operator=(const LinkStreams&) = delete;

    const std::vector<Key>& keys() const { return keys_; }
    // Clamped to kMinPeriod..kMaxPeriod.
    void setPeriod(std::chrono::milliseconds period);

    // Sends `count` samples of one property at once, streaming or not; false when the
    // property is not a readable number.
    bool flood(const PropertyKey& key, uint64_t count);
    // Sends `count` stream packets that a host must refuse: too short, of a wrong length for
    // their type, of an unknown type, with a trailer, with flag bits where they do not belong.
    void garbage(uint64_t count);

private:
    static constexpr uint64_t kMaxCatchUpRounds = 20;

    uint8_t enable(uint32_t value);
    uint8_t disable(uint32_t value);
    void restartTimer();
    void tick();
    void sendRound();
    void sendSample(const PropertyKey& key, const Property& property);
    uint64_t microsecondsSinceStart() const;

    Device& device_;
    std::vector<Key> keys_;
    std::chrono::milliseconds period_;
    const std::chrono::steady_clock::time_point started_;
    std::chrono::steady_clock::time_point roundsSince_;
    uint64_t rounds_ = 0;
    bool timerRunning_ = false;
    EventLoop::TimerId timer_ = 0;
};

}  // namespace sim
