#include "network_peers.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <chrono>
#include <cstring>

namespace discovery_test {

namespace {

using lynkor::platform::UdpPeer;
using lynkor::platform::UdpSocket;
using namespace std::chrono_literals;

constexpr uint16_t kQueryPort = 9888;
constexpr uint16_t kAnswerPort = 9889;

}  // namespace

uint32_t ipv4(const char* text) {
    in_addr value{};
    inet_pton(AF_INET, text, &value);
    return value.s_addr;
}

Bytes queryAnswer(uint8_t module, uint16_t port, uint32_t serial, uint8_t model) {
    Bytes answer(16, 0xEE);
    answer[1] = module;
    answer[2] = static_cast<uint8_t>(port);
    answer[3] = static_cast<uint8_t>(port >> 8);
    for (int i = 0; i < 4; ++i) {
        answer[4 + i] = static_cast<uint8_t>(serial >> (8 * i));
    }
    answer[12] = model;
    return answer;
}

Bytes specBytes(const linkSpec& spec) {
    const auto* begin = reinterpret_cast<const uint8_t*>(&spec);
    return Bytes(begin, begin + sizeof spec);
}

QueryResponder::QueryResponder(std::vector<Answer> answers) : answers_(std::move(answers)) {
    const int onlyOurGroups = 0;
    const bool ready = listener_.setReuseAddress(true) && listener_.bind(INADDR_ANY, kQueryPort) &&
                       listener_.joinGroup(ipv4("232.2.2.2"), ipv4("127.0.0.1")) &&
                       setsockopt(listener_.fd(), IPPROTO_IP, IP_MULTICAST_ALL, &onlyOurGroups,
                                  sizeof onlyOurGroups) == 0;
    if (ready) {
        thread_ = std::thread([this] { run(); });
    }
}

QueryResponder::~QueryResponder() {
    stopping_ = true;
    if (thread_.joinable()) {
        thread_.join();
    }
}

std::vector<std::pair<uint32_t, Bytes>> QueryResponder::queries() {
    std::lock_guard lock(mutex_);
    return queries_;
}

void QueryResponder::run() {
    while (!stopping_) {
        Bytes query(64);
        UdpPeer from;
        const ssize_t size =
            listener_.receiveFrom(query.data(), query.size(), &from, nullptr, 50ms);
        if (size < 0) {
            continue;
        }
        query.resize(static_cast<size_t>(size));
        {
            std::lock_guard lock(mutex_);
            queries_.emplace_back(from.address, query);
        }
        for (const Answer& answer : answers_) {
            // Bound to 127.0.0.1, so the answer's sender is the device's address.
            UdpSocket socket;
            socket.setReuseAddress(true);
            socket.bind(ipv4("127.0.0.1"), answer.fromPort);
            socket.sendTo(answer.bytes.data(), answer.bytes.size(),
                          UdpPeer{from.address, kAnswerPort});
            // Paced, so that a long script does not overrun the receiver's buffer.
            std::this_thread::sleep_for(200us);
        }
    }
}

RepeatingSender::RepeatingSender(const char* sourceAddress, std::vector<Bytes> datagrams,
                                 const char* destination, uint16_t port)
    : datagrams_(std::move(datagrams)), destination_{ipv4(destination), port} {
    if (socket_.setBroadcast(true) && socket_.bind(ipv4(sourceAddress), 0)) {
        thread_ = std::thread([this] { run(); });
    }
}

RepeatingSender::~RepeatingSender() {
    stopping_ = true;
    if (thread_.joinable()) {
        thread_.join();
    }
}

void RepeatingSender::run() {
    while (!stopping_) {
        for (const Bytes& datagram : datagrams_) {
            socket_.sendTo(datagram.data(), datagram.size(), destination_);
        }
        std::this_thread::sleep_for(50ms);
    }
}

}  // namespace discovery_test
