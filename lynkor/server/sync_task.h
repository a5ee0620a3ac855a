#pragma once

// The sync task's decisions, apart from its socket and the device link: one request at a time,
// sent to the device and waited for, and turned into one report for the broker.
#include <cstdint>
#include <functional>
#include <optional>

#include "server/sync_messages.h"

namespace lynkor::server {

// How long the device gets to answer a request, and for each further packet of a byte run
// answer.
constexpr uint32_t kAnswerWaitMs = 2000;
// The longest a client waits for an answer; a request that has waited longer in line is dropped
// rather than sent late, since its answer would reach no one.
constexpr uint64_t kLongestClientWaitMs = 4000;
// The most packets of one answer set (a byte run answer of about 96 KB).
constexpr size_t kMaxAnswerPackets = 4096;

// The device link, as the sync task uses it.
class SyncDevice {
public:
    using Match = std::function<bool(const WirePacket&)>;

    virtual ~SyncDevice() = default;
    // Throws away whatever the device sent since the last answer.
    virtual void drainInbound() = 0;
    virtual bool send(const WirePacket& packet) = 0;
    // The next packet from the device that `match` accepts, waiting at most timeoutMs.
    virtual std::optional<WirePacket> awaitAnswer(const Match& match, uint32_t timeoutMs) = 0;
    virtual uint64_t nowMs() = 0;
};

class SyncTask {
public:
    explicit SyncTask(SyncDevice& device) : device_(device) {}

    SyncReport handle(const SyncRequest& request);

private:
    SyncDevice& device_;
};

}  // namespace lynkor::server
