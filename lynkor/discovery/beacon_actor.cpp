#include "discovery/beacon_actor.h"

#include <arpa/inet.h>
#include <netinet/in.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstring>
#include <optional>
#include <vector>

#include "discovery/messaging_library.h"
#include "platform/network_interfaces.h"
#include "platform/udp_socket.h"

namespace lynkor::discovery {

namespace {

using platform::UdpPeer;
using platform::UdpSocket;
using Clock = std::chrono::steady_clock;

// The largest beacon zbeacon carries; longer datagrams are cut to it, as zbeacon does.
constexpr size_t kBeaconMaxSize = 255;
constexpr const char* kLoopbackBroadcast = "127.255.255.255";

uint32_t s_address(const char* text) {
    in_addr address{};
    ::inet_pton(AF_INET, text, &address);
    return address.s_addr;
}

// As zbeacon answers only for an interface that is up.
bool s_loopbackIsUp() {
    const auto addresses = platform::ipv4InterfaceAddresses();
    return addresses && std::find(addresses->begin(), addresses->end(), htonl(INADDR_LOOPBACK)) !=
                            addresses->end();
}

class LoopbackBeacon {
public:
    explicit LoopbackBeacon(zsock_t* pipe) : pipe_(pipe) {}

    void run() {
        while (!terminated_) {
            std::array<zmq_pollitem_t, 2> items{};
            items[0].socket = zsock_resolve(pipe_);
            items[0].events = ZMQ_POLLIN;
            int count = 1;
            if (receiver_.isOpen()) {
                items[1].fd = receiver_.fd();
                items[1].events = ZMQ_POLLIN;
                count = 2;
            }
            if (zmq_poll(items.data(), count, pollTimeout()) < 0) {
                break;
            }
            if ((items[0].revents & ZMQ_POLLIN) != 0) {
                handleCommand();
            }
            if (count == 2 && (items[1].revents & ZMQ_POLLIN) != 0) {
                handleBeacon();
            }
            if (!transmit_.empty() && Clock::now() >= nextPing_) {
                sender_.sendTo(transmit_.data(), transmit_.size(), UdpPeer{broadcast_, port_});
                nextPing_ = Clock::now() + interval_;
            }
        }
    }

private:
    long pollTimeout() const {
        if (transmit_.empty()) {
            return -1;
        }
        const auto wait =
            std::chrono::ceil<std::chrono::milliseconds>(nextPing_ - Clock::now()).count();
        return std::max<long>(wait, 0);
    }

    void handleCommand() {
        zmsg_t* message = zmsg_recv(pipe_);
        if (message == nullptr) {
            terminated_ = true;
            return;
        }
        char* command = zmsg_popstr(message);
        if (command == nullptr || std::strcmp(command, "$TERM") == 0) {
            terminated_ = true;
        } else if (std::strcmp(command, "CONFIGURE") == 0) {
            char* port = zmsg_popstr(message);
            configure(port != nullptr ? std::atoi(port) : 0);
            zstr_free(&port);
        } else if (std::strcmp(command, "PUBLISH") == 0) {
            zframe_t* beacon = zmsg_pop(message);
            char* interval = zmsg_popstr(message);
            publish(beacon, interval != nullptr ? std::atoi(interval) : 0);
            zframe_destroy(&beacon);
            zstr_free(&interval);
        } else if (std::strcmp(command, "SILENCE") == 0) {
            transmit_.clear();
        } else if (std::strcmp(command, "SUBSCRIBE") == 0) {
            zframe_t* prefix = zmsg_pop(message);
            filter_.emplace();
            if (prefix != nullptr) {
                filter_->assign(zframe_data(prefix), zframe_data(prefix) + zframe_size(prefix));
            }
            zframe_destroy(&prefix);
        } else if (std::strcmp(command, "UNSUBSCRIBE") == 0) {
            filter_.reset();
        }
        zstr_free(&command);
        zmsg_destroy(&message);
    }

    void configure(int port) {
        receiver_.close();
        sender_.close();
        port_ = static_cast<uint16_t>(port);
        broadcast_ = s_address(kLoopbackBroadcast);
        UdpSocket receiver;
        UdpSocket sender;
        // Bound to the loopback broadcast address: only beacons from this computer arrive.
        const bool ready = s_loopbackIsUp() && port > 0 && port <= UINT16_MAX &&
                           receiver.isOpen() && receiver.setReuseAddress(true) &&
                           receiver.setReusePort(true) && receiver.bind(broadcast_, port_) &&
                           sender.isOpen() && sender.setBroadcast(true) &&
                           sender.bind(htonl(INADDR_LOOPBACK), 0);
        if (ready) {
            receiver_ = std::move(receiver);
            sender_ = std::move(sender);
        }
        zstr_send(pipe_, ready ? "127.0.0.1" : "");
    }

    void publish(zframe_t* beacon, int interval) {
        if (beacon == nullptr || zframe_size(beacon) > kBeaconMaxSize || interval <= 0 ||
            !sender_.isOpen()) {
            return;
        }
        transmit_.assign(zframe_data(beacon), zframe_data(beacon) + zframe_size(beacon));
        interval_ = std::chrono::milliseconds(interval);
        nextPing_ = Clock::now();
    }

    void handleBeacon() {
        std::array<uint8_t, kBeaconMaxSize> beacon{};
        UdpPeer from;
        bool truncated = false;
        const ssize_t size = receiver_.receiveFrom(beacon.data(), beacon.size(), &from, &truncated,
                                                   std::chrono::milliseconds(0));
        if (size < 0 || !filter_) {
            return;
        }
        const auto* begin = beacon.data();
        const auto* end = begin + size;
        const bool matches = static_cast<size_t>(size) >= filter_->size() &&
                             std::equal(filter_->begin(), filter_->end(), begin);
        const bool echo = std::equal(begin, end, transmit_.begin(), transmit_.end());
        if (!matches || echo) {
            return;
        }
        char sender[INET_ADDRSTRLEN] = {};
        in_addr address{};
        address.s_addr = from.address;
        ::inet_ntop(AF_INET, &address, sender, sizeof sender);
        zstr_sendm(pipe_, sender);
        zframe_t* frame = zframe_new(begin, static_cast<size_t>(size));
        zframe_send(&frame, pipe_, 0);
    }

    zsock_t* pipe_;
    bool terminated_ = false;
    UdpSocket receiver_;
    UdpSocket sender_;
    uint32_t broadcast_ = 0;
    uint16_t port_ = 0;
    std::vector<uint8_t> transmit_;
    std::chrono::milliseconds interval_{0};
    Clock::time_point nextPing_;
    std::optional<std::vector<uint8_t>> filter_;
};

bool s_isLoopback(const char* interfaceText) {
    in_addr address{};
    return interfaceText != nullptr && ::inet_pton(AF_INET, interfaceText, &address) == 1 &&
           (ntohl(address.s_addr) >> 24) == 127;
}

}  // namespace

void loopbackBeaconActor(zsock_t* pipe, void* /*unused*/) {
    LoopbackBeacon beacon(pipe);
    zsock_signal(pipe, 0);
    beacon.run();
}

zactor_t* newBeaconActor() {
    prepareMessagingLibrary();
    return zactor_new(s_isLoopback(zsys_interface()) ? loopbackBeaconActor : zbeacon, nullptr);
}

}  // namespace lynkor::discovery
