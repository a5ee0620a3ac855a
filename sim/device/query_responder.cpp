#include "query_responder.h"

#include <poll.h>

#include <array>

namespace sim {

namespace {

constexpr const char* kQueryGroup = "232.2.2.2";
constexpr uint16_t kQueryPort = 9888;
constexpr uint16_t kAnswerPort = 9889;
constexpr size_t kDatagramSize = 16;
constexpr uint8_t kQueryCommand = 1;

// Port, serial number and model at their offsets, little-endian; the other bytes stay 0.
std::array<uint8_t, kDatagramSize> s_answer(const NetworkDevice& device) {
    std::array<uint8_t, kDatagramSize> answer{};
    answer[1] = device.config.address;
    answer[2] = static_cast<uint8_t>(device.tcpPort);
    answer[3] = static_cast<uint8_t>(device.tcpPort >> 8);
    for (int i = 0; i < 4; ++i) {
        answer[4 + i] = static_cast<uint8_t>(device.config.serial >> (8 * i));
    }
    answer[12] = static_cast<uint8_t>(device.config.model);
    return answer;
}

}  // namespace

QueryResponder::QueryResponder(EventLoop& loop, std::vector<NetworkDevice> devices)
    : loop_(loop), devices_(std::move(devices)) {
    socket_.listen("0.0.0.0", kQueryPort);
    socket_.joinOnLoopback(kQueryGroup);
    loop_.watch(socket_.fd(), POLLIN, [this](short) { onQuery(); });
}

QueryResponder::~QueryResponder() {
    loop_.unwatch(socket_.fd());
}

void QueryResponder::onQuery() {
    std::array<uint8_t, kDatagramSize> query{};
    uint32_t from = 0;
    uint16_t fromPort = 0;
    const long size = socket_.receive(query.data(), query.size(), &from, &fromPort);
    if (size != static_cast<long>(kDatagramSize) || query[0] != kQueryCommand) {
        return;
    }
    for (const NetworkDevice& device : devices_) {
        const auto answer = s_answer(device);
        socket_.send(answer.data(), answer.size(), from, kAnswerPort,
                     ipv4Address(device.listenAddress));
    }
}

}  // namespace sim
