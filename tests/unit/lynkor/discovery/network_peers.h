// Stand-ins for what sends discovery datagrams to us, for malformed input that no real device
// or simulator produces. Each runs on its own thread until destroyed.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <thread>
#include <vector>

#include "lynkor/aLinkSpec.h"
#include "platform/udp_socket.h"

namespace discovery_test {

using Bytes = std::vector<uint8_t>;

uint32_t ipv4(const char* text);
// A 16-byte answer to the multicast query.
Bytes queryAnswer(uint8_t module, uint16_t port, uint32_t serial, uint8_t model);
Bytes specBytes(const linkSpec& spec);

// Joins the query group on loopback; answers each query it hears with the scripted datagrams,
// each from its own source port.
class QueryResponder {
public:
    struct Answer {
        uint16_t fromPort;
        Bytes bytes;
    };

    explicit QueryResponder(std::vector<Answer> answers);
    ~QueryResponder();
    bool ready() const { return thread_.joinable(); }

    // The queries heard so far: their sender addresses and bytes.
    std::vector<std::pair<uint32_t, Bytes>> queries();

private:
    void run();

    std::vector<Answer> answers_;
    lynkor::platform::UdpSocket listener_;
    std::mutex mutex_;
    std::vector<std::pair<uint32_t, Bytes>> queries_;
    std::atomic<bool> stopping_{false};
    std::thread thread_;
};

// Sends datagrams from a source address every 50 ms until destroyed: by default to the beacon
// port on loopback's broadcast address, as device servers on this computer announce.
class RepeatingSender {
public:
    RepeatingSender(const char* sourceAddress, std::vector<Bytes> datagrams,
                    const char* destination = "127.255.255.255", uint16_t port = 8585);
    ~RepeatingSender();
    bool ready() const { return thread_.joinable(); }

private:
    void run();

    lynkor::platform::UdpSocket socket_;
    std::vector<Bytes> datagrams_;
    lynkor::platform::UdpPeer destination_;
    std::atomic<bool> stopping_{false};
    std::thread thread_;
};

}  // namespace discovery_test
