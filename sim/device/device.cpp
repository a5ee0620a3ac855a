#include "device.h"

#include <algorithm>

namespace sim {

namespace {

// Heartbeats carry command 0 and one value byte; the host answers with the value plus 2.
constexpr uint8_t kHeartbeatCommand = 0;
constexpr uint8_t kHeartbeatAnswerOffset = 2;

}  // namespace

Device::Device(const DeviceConfig& config) : config_(config) {}

void Device::setCommandHandler(uint8_t command, Handler handler) {
    handlers_[command] = std::move(handler);
}

void Device::attach(HostConnection* host) {
    hosts_.push_back(host);
}

void Device::detach(HostConnection* host) {
    std::erase(hosts_, host);
}

void Device::receive(const Packet& packet, HostConnection& host) {
    ++stats_.packets;
    history_.push_back(packet);
    if (history_.size() > kHistoryLength) {
        history_.pop_front();
    }
    if (packet.address == kRouteAddress) {
        if (packet.data.size() == 1) {
            ++(packet.data[0] == 0 ? stats_.routeOff : stats_.routeOn);
        }
        return;
    }
    if (packet.address == kQueryAddress) {
        ++stats_.queries;
        if (!muted_) {
            host.sendPacket(reply({}));
        }
        return;
    }
    if (packet.address != config_.address) {
        ++stats_.foreign;
        return;
    }
    if (packet.data.size() == 2 && packet.data[0] == kHeartbeatCommand) {
        answerHeartbeatReply(packet);
        return;
    }
    if (muted_ || packet.data.empty()) {
        return;
    }
    auto handler = handlers_.find(packet.data[0]);
    if (handler == handlers_.end()) {
        ++stats_.unhandled;
        return;
    }
    handler->second(*this, packet, host);
}

void Device::answerHeartbeatReply(const Packet& packet) {
    ++stats_.heartbeatAnswers;
    stats_.lastHeartbeatAnswer = packet.data[1];
    stats_.unanswered = 0;
}

void Device::sendHeartbeat(uint8_t value, bool onlyPresentHosts) {
    const Packet heartbeat = reply({kHeartbeatCommand, value});
    bool sent = false;
    for (HostConnection* host : hosts_) {
        if (!onlyPresentHosts || host->hostPresent()) {
            host->sendPacket(heartbeat);
            sent = true;
        }
    }
    if (sent) {
        ++stats_.heartbeatsSent;
        ++stats_.unanswered;
    }
}

void Device::sendToHosts(const Packet& packet) {
    for (HostConnection* host : hosts_) {
        host->sendPacket(packet);
    }
}

void Device::sendRawToHosts(const Bytes& bytes) {
    for (HostConnection* host : hosts_) {
        host->sendRaw(bytes);
    }
}

void Device::hangUpHosts() {
    // Hanging up detaches the host, so work on a copy.
    const std::vector<HostConnection*> hosts = hosts_;
    for (HostConnection* host : hosts) {
        host->hangUp();
    }
}

}  // namespace sim
