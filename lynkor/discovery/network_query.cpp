// Devices on the local network answer a 16-byte UDP multicast query with a 16-byte answer.
#include <arpa/inet.h>
#include <netinet/in.h>

#include <array>
#include <chrono>
#include <optional>
#include <span>

#include "discovery/found_records.h"
#include "discovery/network_answer.h"
#include "platform/network_interfaces.h"
#include "platform/udp_socket.h"

namespace lynkor::discovery {

namespace {

using platform::ipv4InterfaceAddresses;
using platform::UdpPeer;
using platform::UdpSocket;
using Clock = std::chrono::steady_clock;

constexpr const char* kQueryGroup = "232.2.2.2";
constexpr uint16_t kQueryPort = 9888;
constexpr uint16_t kAnswerPort = 9889;
constexpr std::chrono::milliseconds kAnswerTimeout{2000};
constexpr size_t kQuerySize = 16;
constexpr uint8_t kQueryCommand = 1;

uint32_t s_groupAddress() {
    in_addr group{};
    ::inet_pton(AF_INET, kQueryGroup, &group);
    return group.s_addr;
}

// One new socket per interface, so each query leaves by the interface it names.
bool s_sendQuery(const uint32_t* interfaceAddress) {
    std::array<uint8_t, kQuerySize> query{};
    query[0] = kQueryCommand;
    UdpSocket socket;
    if (!socket.isOpen() || !socket.setReuseAddress(true) ||
        (interfaceAddress != nullptr && !socket.setMulticastInterface(*interfaceAddress))) {
        return false;
    }
    return socket.sendTo(query.data(), query.size(), UdpPeer{s_groupAddress(), kQueryPort}) ==
           static_cast<ssize_t>(query.size());
}

bool s_sendQueries(uint32_t networkInterface) {
    if (!isAnyInterface(networkInterface)) {
        return s_sendQuery(&networkInterface);
    }
    const auto addresses = ipv4InterfaceAddresses();
    if (!addresses) {
        return s_sendQuery(nullptr);
    }
    bool sent = false;
    for (const uint32_t address : *addresses) {
        if (address != 0 && address != htonl(INADDR_LOOPBACK)) {
            sent = s_sendQuery(&address) || sent;
        }
    }
    return sent;
}

}  // namespace

uint8_t enumerateNetworkModules(FoundRecords& records, uint32_t networkInterface) {
    // The answer socket opens before the query leaves, so no early answer is lost.
    UdpSocket answers;
    const uint32_t bindAddress = isAnyInterface(networkInterface) ? INADDR_ANY : networkInterface;
    if (!answers.isOpen() || !answers.setReuseAddress(true) ||
        !answers.bind(bindAddress, kAnswerPort)) {
        answers.close();
    }
    if (!s_sendQueries(networkInterface) || !answers.isOpen()) {
        return records.count();
    }
    // Each answer grants another full time-out; anything else must not prolong the wait.
    auto deadline = Clock::now() + kAnswerTimeout;
    for (;;) {
        const auto remaining =
            std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
        if (remaining.count() <= 0) {
            break;
        }
        std::array<uint8_t, kNetworkAnswerSize> answer{};
        UdpPeer sender;
        bool truncated = false;
        const ssize_t received =
            answers.receiveFrom(answer.data(), answer.size(), &sender, &truncated, remaining);
        if (received < 0) {
            break;
        }
        // Any source port will do: a device may answer from another port than it was asked on.
        const std::optional<linkSpec> spec =
            truncated ? std::nullopt
                      : readNetworkAnswer(std::span(answer.data(), static_cast<size_t>(received)),
                                          sender.address);
        if (!spec) {
            continue;
        }
        if (!records.offer(*spec)) {
            break;
        }
        deadline = Clock::now() + kAnswerTimeout;
    }
    return records.count();
}

}  // namespace lynkor::discovery
