#include "server/broker.h"

#include <algorithm>

namespace lynkor::server {

namespace {

constexpr uint8_t kSequenceModulo = 128;

}  // namespace

Broker::Broker(BrokerPort& port, BrokerLimits limits) : port_(port), limits_(limits) {}

void Broker::onClientMessage(const ClientIdentity& client,
                             const std::vector<std::vector<uint8_t>>& frames, uint64_t nowMs) {
    std::optional<WirePacket> packet =
        frames.size() == 1 ? parsePacketFrame(frames.front()) : std::nullopt;
    if (!packet) {
        ++counters_.malformed;
        return;
    }
    handlePacket(client, *packet, nowMs);
}

void Broker::handlePacket(const ClientIdentity& client, const WirePacket& packet, uint64_t nowMs) {
    if (enablesStreaming(packet) &&
        std::find(streamClients_.begin(), streamClients_.end(), client) == streamClients_.end()) {
        if (streamClients_.size() < limits_.streamClients) {
            streamClients_.push_back(client);
        } else {
            ++counters_.overLimit;
        }
    }
    if (isUeiPacket(packet)) {
        ageRuns(client);
        if (handleRunPacket(client, packet, nowMs)) {
            return;
        }
    }
    if (isRouteSwitch(packet)) {
        ++counters_.blocked;
        return;
    }
    // A continuation outside any run would be sent without an answer to wait for; the device
    // would take it as garbage anyway.
    if (!expectsAnswer(packet)) {
        ++counters_.orphaned;
        return;
    }
    submit(client, {packet}, nowMs);
}

void Broker::ageRuns(const ClientIdentity& sender) {
    for (auto run = runs_.begin(); run != runs_.end();) {
        if (run->first == sender) {
            ++run;
        } else if (run->second.timeToLive == 0) {
            ++counters_.expiredRuns;
            runPackets_ -= run->second.packets.size();
            run = runs_.erase(run);
        } else {
            --run->second.timeToLive;
            ++run;
        }
    }
}

bool Broker::handleRunPacket(const ClientIdentity& client, const WirePacket& packet,
                             uint64_t nowMs) {
    const auto found = runs_.find(client);
    if (found == runs_.end()) {
        if (!startsByteRun(packet)) {
            return false;
        }
        if (runPackets_ >= limits_.runPacketsTotal) {
            ++counters_.overLimit;
            return true;
        }
        runs_.emplace(client, ByteRun{{packet}, limits_.runTimeToLive});
        ++runPackets_;
        return true;
    }
    ByteRun& run = found->second;
    const uint8_t expected = (runSequence(run.packets.back()) + 1) % kSequenceModulo;
    if (runSequence(packet) != expected) {
        ++counters_.outOfSequence;
        return true;
    }
    if (run.packets.size() >= limits_.runPackets || runPackets_ >= limits_.runPacketsTotal) {
        ++counters_.overLimit;
        runPackets_ -= run.packets.size();
        runs_.erase(found);
        return true;
    }
    run.packets.push_back(packet);
    run.timeToLive = limits_.runTimeToLive;
    ++runPackets_;
    if (!isContinuation(packet)) {
        std::vector<WirePacket> packets = std::move(run.packets);
        runPackets_ -= packets.size();
        runs_.erase(found);
        submit(client, std::move(packets), nowMs);
    }
    return true;
}

void Broker::submit(const ClientIdentity& client, std::vector<WirePacket> packets, uint64_t nowMs) {
    size_t& waiting = pendingPerClient_[client];
    if (waiting >= limits_.pendingPerClient || pending_.size() >= limits_.pendingTotal) {
        if (waiting == 0) {
            pendingPerClient_.erase(client);
        }
        ++counters_.overLimit;
        return;
    }
    const SyncRequest request{nextRequestId_++, nowMs, std::move(packets)};
    if (!port_.sendToSync(encodeRequest(request))) {
        if (waiting == 0) {
            pendingPerClient_.erase(client);
        }
        ++counters_.overLimit;
        return;
    }
    ++waiting;
    pending_.push_back(Pending{request.id, client});
}

void Broker::onSyncReport(std::span<const uint8_t> message) {
    const std::optional<SyncReport> report = decodeReport(message);
    const auto entry =
        report ? std::find_if(pending_.begin(), pending_.end(),
                              [&](const Pending& pending) { return pending.id == report->id; })
               : pending_.end();
    if (entry == pending_.end()) {
        ++counters_.unmatchedReports;
        return;
    }
    const ClientIdentity client = entry->client;
    forgetPending(entry);
    for (const WirePacket& answer : report->answers) {
        deliver(client, answer.wire());
    }
}

void Broker::forgetPending(std::deque<Pending>::iterator entry) {
    const auto count = pendingPerClient_.find(entry->client);
    if (count != pendingPerClient_.end() && --count->second == 0) {
        pendingPerClient_.erase(count);
    }
    pending_.erase(entry);
}

void Broker::onStreamBatch(std::span<const uint8_t> batch) {
    for (auto client = streamClients_.begin(); client != streamClients_.end();) {
        const SendResult result = port_.sendToClient(*client, batch);
        if (result == SendResult::kUnreachable) {
            client = streamClients_.erase(client);
            continue;
        }
        if (result == SendResult::kBusy) {
            ++counters_.undelivered;
        }
        ++client;
    }
}

void Broker::deliver(const ClientIdentity& client, std::span<const uint8_t> bytes) {
    if (port_.sendToClient(client, bytes) != SendResult::kSent) {
        ++counters_.undelivered;
    }
}

void Broker::flushPending() {
    pending_.clear();
    pendingPerClient_.clear();
}

}  // namespace lynkor::server
