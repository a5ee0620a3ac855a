#pragma once

// The broker's decisions, apart from its sockets: which client frames become requests for the
// device, which client each answer goes to, who gets stream batches. It holds everything a
// client can make it keep (waiting requests, byte runs, stream subscriptions) within fixed
// limits, so no client can make it grow without bound.
#include <cstdint>
#include <deque>
#include <map>
#include <span>
#include <string>
#include <unordered_map>
#include <vector>

#include "server/sync_messages.h"

namespace lynkor::server {

// The routing id that the front-end socket gives each client connection.
using ClientIdentity = std::string;

enum class SendResult { kSent, kUnreachable, kBusy };

// The broker's sockets. Every send returns at once: what cannot be sent now is dropped.
class BrokerPort {
public:
    virtual ~BrokerPort() = default;
    virtual SendResult sendToClient(const ClientIdentity& client,
                                    std::span<const uint8_t> bytes) = 0;
    virtual bool sendToSync(std::span<const uint8_t> request) = 0;
};

struct BrokerLimits {
    // Requests waiting for the device, per client and in all.
    size_t pendingPerClient = 64;
    size_t pendingTotal = 512;
    // Clients that receive stream batches.
    size_t streamClients = 64;
    // Packets of the byte runs being collected, per run and in all (24 data bytes each).
    size_t runPackets = 8192;
    size_t runPacketsTotal = 16384;
    // A run that gets no packet from its client while this many other typed packets pass is
    // given up.
    uint32_t runTimeToLive = 2000;
};

// What the broker refused or could not deliver, for tests and diagnostics.
struct BrokerCounters {
    uint64_t malformed = 0;      // not exactly one well-formed packet frame
    uint64_t blocked = 0;        // route switches from clients
    uint64_t orphaned = 0;       // byte run continuations outside any run
    uint64_t outOfSequence = 0;  // byte run packets with the wrong sequence number
    uint64_t overLimit = 0;      // refused by one of the limits
    uint64_t expiredRuns = 0;    // byte runs given up
    uint64_t unmatchedReports = 0;
    uint64_t undelivered = 0;  // answers or batches that could not be sent
};

class Broker {
public:
    explicit Broker(BrokerPort& port, BrokerLimits limits = {});

    // One message from a client: its frames after the identity.
    void onClientMessage(const ClientIdentity& client,
                         const std::vector<std::vector<uint8_t>>& frames, uint64_t nowMs);
    // One message from the sync task.
    void onSyncReport(std::span<const uint8_t> message);
    // A batch of stream samples from the device link.
    void onStreamBatch(std::span<const uint8_t> batch);
    // Forgets every waiting request; their reports, should they come, go nowhere.
    void flushPending();

    const BrokerCounters& counters() const { return counters_; }
    size_t pendingCount() const { return pending_.size(); }
    size_t runCount() const { return runs_.size(); }
    size_t streamClientCount() const { return streamClients_.size(); }

private:
    struct Pending {
        uint32_t id;
        ClientIdentity client;
    };
    struct ByteRun {
        std::vector<WirePacket> packets;
        uint32_t timeToLive;
    };

    void handlePacket(const ClientIdentity& client, const WirePacket& packet, uint64_t nowMs);
    void ageRuns(const ClientIdentity& sender);
    // True when the packet belonged to a byte run (collected, completed or refused).
    bool handleRunPacket(const ClientIdentity& client, const WirePacket& packet, uint64_t nowMs);
    void submit(const ClientIdentity& client, std::vector<WirePacket> packets, uint64_t nowMs);
    void deliver(const ClientIdentity& client, std::span<const uint8_t> bytes);
    void forgetPending(std::deque<Pending>::iterator entry);

    BrokerPort& port_;
    const BrokerLimits limits_;
    BrokerCounters counters_;
    uint32_t nextRequestId_ = 1;
    std::deque<Pending> pending_;
    std::unordered_map<ClientIdentity, size_t> pendingPerClient_;
    std::map<ClientIdentity, ByteRun> runs_;
    size_t runPackets_ = 0;
    std::vector<ClientIdentity> streamClients_;
};

}  // namespace lynkor::server
