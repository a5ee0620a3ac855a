// Answers to the multicast query: any datagram is read without fault, and only 16-byte ones
// become records, their fields taken from the bytes where the layout puts them.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

#include "discovery/network_answer.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    constexpr uint32_t kSender = 0x0200007F;
    const auto spec = lynkor::discovery::readNetworkAnswer(std::span(data, size), kSender);
    if (size != lynkor::discovery::kNetworkAnswerSize) {
        if (spec) {
            std::abort();
        }
        return 0;
    }
    if (!spec || spec->type != TCPIP || spec->module != data[1] || spec->router != data[1] ||
        spec->ip_port != (data[2] | (data[3] << 8)) || spec->model != data[12] ||
        spec->serial_num != spec->router_serial_num || spec->ip_address != kSender ||
        static_cast<uint8_t>(spec->serial_num >> 24) != data[7]) {
        std::abort();
    }
    return 0;
}
