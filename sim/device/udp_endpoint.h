// The UDP sockets that network discovery needs, opened the way a device or a device server on
// this computer would: on loopback only.
#pragma once

#include <cstdint>
#include <string>

namespace sim {

class UdpEndpoint {
public:
    UdpEndpoint() = default;
    ~UdpEndpoint();
    UdpEndpoint(const UdpEndpoint&) = delete;
    UdpEndpoint& operator=(const UdpEndpoint&) = delete;

    // Bound to address:port and shared with other listeners on this computer; throws on failure.
    // Addresses are dotted text.
    void listen(const std::string& address, uint16_t port);
    // Takes multicast to group on loopback, and only the groups this socket joined.
    void joinOnLoopback(const std::string& group);
    // A socket that sends from address (port chosen by the system), broadcasts allowed.
    void sender(const std::string& address);

    int fd() const { return fd_; }

    // One datagram, without waiting; its size (-1 when none) and its sender.
    long receive(uint8_t* buffer, size_t size, uint32_t* fromAddress, uint16_t* fromPort);
    // Sends to address (network byte order):port, with the datagram's source address set to
    // sourceAddress when given (network byte order, 0 for the system's choice).
    bool send(const uint8_t* bytes, size_t size, uint32_t address, uint16_t port,
              uint32_t sourceAddress = 0);

private:
    void open();

    int fd_ = -1;
};

uint32_t ipv4Address(const std::string& text);

}  // namespace sim
