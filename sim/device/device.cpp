#include "device.h"

#include <algorithm>

#include "protocol_codes.h"

namespace sim {

namespace {

// The host answers a heartbeat with its value plus 2.
constexpr uint8_t kHeartbeatAnswerOffset = 2;

}  // namespace

Bytes genericErrorReply(const Bytes& request, uint8_t code) {
    return {request[0], static_cast<uint8_t>((request.size() > 1 ? request[1] : 0) | 0x80), code};
}

Device::Device(EventLoop& loop, const DeviceConfig& config)
    : loop_(loop), config_(config), replyDelay_(config.replyDelay) {}

void Device::clearStatsAndHistory() {
    stats_ = DeviceStats{};
    history_.clear();
}

void Device::setCommandHandler(uint8_t command, std::unique_ptr<CommandHandler> handler) {
    handlers_[command] = std::move(handler);
}

void Device::setUeiHandler(std::unique_ptr<CommandHandler> handler) {
    ueiHandler_ = std::move(handler);
}

void Device::addChild(Device& child) {
    children_.push_back(&child);
    child.router_ = this;
}

Device* Device::childAt(uint8_t address) const {
    for (Device* child : children_) {
        if (child->config_.address == address) {
            return child;
        }
    }
    return nullptr;
}

void Device::attach(HostConnection* host) {
    hosts_.push_back(host);
}

void Device::detach(HostConnection* host) {
    std::erase(hosts_, host);
}

void Device::receive(const Packet& packet, HostConnection& host) {
    if (down_) {
        return;
    }
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
            answer(host, {});
            armAnnouncement(host);
        }
        return;
    }
    if (packet.address != config_.address) {
        Device* child = childAt(packet.address);
        if (child == nullptr) {
            ++stats_.foreign;
        } else if (!muted_) {
            ++stats_.forwarded;
            child->receive(packet, host);
        }
        return;
    }
    if (packet.data.size() == 2 && packet.data[0] == kCmdHeartbeat) {
        answerHeartbeatReply(packet);
        return;
    }
    if (muted_ || packet.data.empty()) {
        return;
    }
    handleCommand(packet, host);
}

void Device::handleCommand(const Packet& packet, HostConnection& host) {
    const uint8_t command = packet.data[0];
    ++stats_.requestsByCommand[command];
    CommandHandler* handler = nullptr;
    if (auto found = handlers_.find(command); found != handlers_.end()) {
        handler = found->second.get();
    } else if (isUeiCommand(command)) {
        handler = ueiHandler_.get();
    }
    if (handler != nullptr) {
        handler->observe(*this, packet);
    }
    if (const FaultRule* fault = faults_.take(packet.data)) {
        ++stats_.faultsFired;
        switch (fault->action) {
            case FaultAction::Drop:
                return;
            case FaultAction::Error:
                answer(host, handler != nullptr ? handler->errorReply(packet.data, fault->errorCode)
                                                : genericErrorReply(packet.data, fault->errorCode));
                return;
            case FaultAction::Reply:
                answer(host, fault->reply);
                return;
            case FaultAction::Delay:
                requestDelay_ = std::chrono::milliseconds(fault->delayMs);
                break;
            case FaultAction::AcceptShort:
            case FaultAction::WrongSum:
                handlerFault_ = fault->action;
                break;
        }
    }
    if (handler == nullptr) {
        ++stats_.unhandled;
    } else {
        handler->handle(*this, packet, host);
    }
    requestDelay_ = std::chrono::milliseconds(0);
    handlerFault_.reset();
}

void Device::answer(HostConnection& host, Bytes data) {
    Packet packet = reply(std::move(data));
    const auto delay = replyDelay_ + requestDelay_;
    if (delay.count() == 0) {
        host.sendPacket(packet);
        return;
    }
    sendLater(delay, host.id(), std::move(packet));
}

void Device::sendLater(std::chrono::milliseconds delay, uint64_t hostId, Packet packet) {
    loop_.after(delay, [this, hostId, downs = downs_, packet = std::move(packet)] {
        HostConnection* stillThere = attachedHost(hostId);
        if (stillThere != nullptr && downs == downs_) {
            stillThere->sendPacket(packet);
        }
    });
}

void Device::setDown(bool down) {
    if (down && !down_) {
        ++downs_;
        if (announcement_ && announcement_->timer) {
            loop_.cancel(*announcement_->timer);
        }
        announcement_.reset();
    }
    down_ = down;
}

void Device::announceAfterQueries(Bytes data, std::chrono::milliseconds quiet) {
    announcement_ = Announcement{std::move(data), quiet, std::nullopt};
}

void Device::armAnnouncement(HostConnection& host) {
    if (!announcement_) {
        return;
    }
    if (announcement_->timer) {
        loop_.cancel(*announcement_->timer);
    }
    announcement_->timer = loop_.after(announcement_->quiet, [this, id = host.id()] {
        Packet packet = reply(std::move(announcement_->data));
        announcement_.reset();
        sendLater(std::chrono::milliseconds(0), id, std::move(packet));
    });
}

HostConnection* Device::attachedHost(uint64_t id) const {
    if (router_ != nullptr) {
        return router_->attachedHost(id);
    }
    for (HostConnection* host : hosts_) {
        if (host->id() == id) {
            return host;
        }
    }
    return nullptr;
}

void Device::answerHeartbeatReply(const Packet& packet) {
    ++stats_.heartbeatAnswers;
    stats_.lastHeartbeatAnswer = packet.data[1];
    stats_.unanswered = 0;
}

void Device::sendHeartbeat(uint8_t value, bool onlyPresentHosts) {
    const Packet heartbeat = reply({kCmdHeartbeat, value});
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
    if (router_ != nullptr) {
        router_->sendToHosts(packet);
        return;
    }
    for (HostConnection* host : hosts_) {
        host->sendPacket(packet);
    }
}

void Device::sendRawToHosts(const Bytes& bytes) {
    if (router_ != nullptr) {
        router_->sendRawToHosts(bytes);
        return;
    }
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
