// UDP/IPv4 sockets for discovery: the multicast query, its answers and the beacons.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <cstddef>
#include <cstdint>

namespace lynkor::platform {

// Addresses are IPv4 in network byte order; ports are host order.
struct UdpPeer {
    uint32_t address = 0;
    uint16_t port = 0;
};

class UdpSocket {
public:
    UdpSocket();
    ~UdpSocket();
    UdpSocket(UdpSocket&& other) noexcept;
    UdpSocket& operator=(UdpSocket&& other) noexcept;
    UdpSocket(const UdpSocket&) = delete;
    UdpSocket& operator=(const UdpSocket&) = delete;

    bool isOpen() const { return fd_ >= 0; }
    int fd() const { return fd_; }
    void close();

    bool setReuseAddress(bool on);
    // Lets several listeners on this host share a beacon port.
    bool setReusePort(bool on);
    bool setBroadcast(bool on);
    bool bind(uint32_t address, uint16_t port);
    bool setMulticastInterface(uint32_t address);
    bool joinGroup(uint32_t group, uint32_t interfaceAddress);
    bool setMulticastTtl(int ttl);
    bool setMulticastLoop(bool on);
    bool setReceiveTimeout(std::chrono::milliseconds timeout);

    // Bytes sent, or -1.
    ssize_t sendTo(const void* bytes, size_t length, UdpPeer to);
    // Waits up to timeout for one datagram. Bytes received, or -1 on time-out or error; a
    // datagram longer than the buffer is cut and *truncated set.
    ssize_t receiveFrom(void* buffer, size_t size, UdpPeer* from, bool* truncated,
                        std::chrono::milliseconds timeout);
    // As receiveFrom, waiting as long as the socket's receive time-out.
    ssize_t receive(void* buffer, size_t size);

    // errno of the last failed call.
    int lastError() const { return lastError_; }

private:
    bool setOption(int level, int name, const void* value, unsigned length);

    int fd_ = -1;
    int lastError_ = 0;
};

}  // namespace lynkor::platform
