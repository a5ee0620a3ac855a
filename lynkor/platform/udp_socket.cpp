#include "platform/udp_socket.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

namespace lynkor::platform {

namespace {

sockaddr_in s_socketAddress(uint32_t address, uint16_t port) {
    sockaddr_in socketAddress{};
    socketAddress.sin_family = AF_INET;
    socketAddress.sin_addr.s_addr = address;
    socketAddress.sin_port = htons(port);
    return socketAddress;
}

}  // namespace

UdpSocket::UdpSocket() : fd_(::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, IPPROTO_UDP)) {
    if (fd_ < 0) {
        lastError_ = errno;
    }
}

UdpSocket::~UdpSocket() {
    close();
}

UdpSocket::UdpSocket(UdpSocket&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)), lastError_(other.lastError_) {}

UdpSocket& UdpSocket::operator=(UdpSocket&& other) noexcept {
    if (this != &other) {
        close();
        fd_ = std::exchange(other.fd_, -1);
        lastError_ = other.lastError_;
    }
    return *this;
}

void UdpSocket::close() {
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
}

bool UdpSocket::setOption(int level, int name, const void* value, unsigned length) {
    if (::setsockopt(fd_, level, name, value, length) != 0) {
        lastError_ = errno;
        return false;
    }
    return true;
}

bool UdpSocket::setReuseAddress(bool on) {
    const int value = on ? 1 : 0;
    return setOption(SOL_SOCKET, SO_REUSEADDR, &value, sizeof value);
}

bool UdpSocket::setReusePort(bool on) {
    const int value = on ? 1 : 0;
    return setOption(SOL_SOCKET, SO_REUSEPORT, &value, sizeof value);
}

bool UdpSocket::setBroadcast(bool on) {
    const int value = on ? 1 : 0;
    return setOption(SOL_SOCKET, SO_BROADCAST, &value, sizeof value);
}

bool UdpSocket::bind(uint32_t address, uint16_t port) {
    const sockaddr_in socketAddress = s_socketAddress(address, port);
    if (::bind(fd_, reinterpret_cast<const sockaddr*>(&socketAddress), sizeof socketAddress) != 0) {
        lastError_ = errno;
        return false;
    }
    return true;
}

bool UdpSocket::setMulticastInterface(uint32_t address) {
    in_addr interfaceAddress{};
    interfaceAddress.s_addr = address;
    return setOption(IPPROTO_IP, IP_MULTICAST_IF, &interfaceAddress, sizeof interfaceAddress);
}

bool UdpSocket::joinGroup(uint32_t group, uint32_t interfaceAddress) {
    ip_mreq request{};
    request.imr_multiaddr.s_addr = group;
    request.imr_interface.s_addr = interfaceAddress;
    return setOption(IPPROTO_IP, IP_ADD_MEMBERSHIP, &request, sizeof request);
}

bool UdpSocket::setMulticastTtl(int ttl) {
    const unsigned char value = static_cast<unsigned char>(ttl);
    return setOption(IPPROTO_IP, IP_MULTICAST_TTL, &value, sizeof value);
}

bool UdpSocket::setMulticastLoop(bool on) {
    const unsigned char value = on ? 1 : 0;
    return setOption(IPPROTO_IP, IP_MULTICAST_LOOP, &value, sizeof value);
}

bool UdpSocket::setReceiveTimeout(std::chrono::milliseconds timeout) {
    timeval value{};
    value.tv_sec = static_cast<time_t>(timeout.count() / 1000);
    value.tv_usec = static_cast<suseconds_t>((timeout.count() % 1000) * 1000);
    return setOption(SOL_SOCKET, SO_RCVTIMEO, &value, sizeof value);
}

ssize_t UdpSocket::sendTo(const void* bytes, size_t length, UdpPeer to) {
    const sockaddr_in socketAddress = s_socketAddress(to.address, to.port);
    const ssize_t sent =
        ::sendto(fd_, bytes, length, MSG_NOSIGNAL,
                 reinterpret_cast<const sockaddr*>(&socketAddress), sizeof socketAddress);
    if (sent < 0) {
        lastError_ = errno;
    }
    return sent;
}

ssize_t UdpSocket::receiveFrom(void* buffer, size_t size, UdpPeer* from, bool* truncated,
                               std::chrono::milliseconds timeout) {
    pollfd readable{fd_, POLLIN, 0};
    const int ready = ::poll(&readable, 1, static_cast<int>(timeout.count()));
    if (ready <= 0) {
        lastError_ = ready == 0 ? EAGAIN : errno;
        return -1;
    }
    sockaddr_in sender{};
    socklen_t senderLength = sizeof sender;
    // MSG_TRUNC reports the datagram's real length, so an oversized one is recognised.
    const ssize_t received = ::recvfrom(fd_, buffer, size, MSG_TRUNC | MSG_DONTWAIT,
                                        reinterpret_cast<sockaddr*>(&sender), &senderLength);
    if (received < 0) {
        lastError_ = errno;
        return -1;
    }
    if (from != nullptr) {
        from->address = sender.sin_addr.s_addr;
        from->port = ntohs(sender.sin_port);
    }
    if (truncated != nullptr) {
        *truncated = static_cast<size_t>(received) > size;
    }
    return static_cast<size_t>(received) > size ? static_cast<ssize_t>(size) : received;
}

ssize_t UdpSocket::receive(void* buffer, size_t size) {
    const ssize_t received = ::recv(fd_, buffer, size, 0);
    if (received < 0) {
        lastError_ = errno;
    }
    return received;
}

}  // namespace lynkor::platform
