#include "discovery/network_answer.h"

namespace lynkor::discovery {

namespace {

constexpr size_t kAnswerModule = 1;
constexpr size_t kAnswerPort = 2;
constexpr size_t kAnswerSerial = 4;
constexpr size_t kAnswerModel = 12;

uint32_t s_littleEndian(std::span<const uint8_t> bytes) {
    uint32_t value = 0;
    for (size_t i = bytes.size(); i-- > 0;) {
        value = (value << 8) | bytes[i];
    }
    return value;
}

}  // namespace

std::optional<linkSpec> readNetworkAnswer(std::span<const uint8_t> datagram, uint32_t sender) {
    if (datagram.size() != kNetworkAnswerSize) {
        return std::nullopt;
    }
    linkSpec spec{};
    spec.type = TCPIP;
    spec.module = datagram[kAnswerModule];
    spec.router = datagram[kAnswerModule];
    spec.ip_port = s_littleEndian(datagram.subspan(kAnswerPort, 2));
    spec.serial_num = s_littleEndian(datagram.subspan(kAnswerSerial, 4));
    spec.router_serial_num = spec.serial_num;
    spec.model = datagram[kAnswerModel];
    spec.ip_address = sender;
    return spec;
}

}  // namespace lynkor::discovery
