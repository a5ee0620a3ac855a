#include "udp_endpoint.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstring>
#include <stdexcept>

namespace sim {

namespace {

sockaddr_in s_socketAddress(uint32_t address, uint16_t port) {
    sockaddr_in socketAddress{};
    socketAddress.sin_family = AF_INET;
    socketAddress.sin_addr.s_addr = address;
    socketAddress.sin_port = htons(port);
    return socketAddress;
}

void s_option(int fd, int level, int name, const void* value, socklen_t size, const char* what) {
    if (setsockopt(fd, level, name, value, size) != 0) {
        throw std::runtime_error(std::string("cannot set ") + what + ": " + std::strerror(errno));
    }
}

}  // namespace

uint32_t ipv4Address(const std::string& text) {
    in_addr address{};
    if (inet_pton(AF_INET, text.c_str(), &address) != 1) {
        throw std::runtime_error("bad IPv4 address " + text);
    }
    return address.s_addr;
}

UdpEndpoint::~UdpEndpoint() {
    if (fd_ >= 0) {
        close(fd_);
    }
}

void UdpEndpoint::open() {
    fd_ = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd_ < 0) {
        throw std::runtime_error("cannot open a UDP socket");
    }
}

void UdpEndpoint::listen(const std::string& address, uint16_t port) {
    open();
    const int on = 1;
    s_option(fd_, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on, "address reuse");
    s_option(fd_, SOL_SOCKET, SO_REUSEPORT, &on, sizeof on, "port reuse");
    const sockaddr_in local = s_socketAddress(ipv4Address(address), port);
    if (bind(fd_, reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0) {
        throw std::runtime_error("cannot listen on " + address + ":" + std::to_string(port) + ": " +
                                 std::strerror(errno));
    }
}

void UdpEndpoint::joinOnLoopback(const std::string& group) {
    ip_mreq request{};
    request.imr_multiaddr.s_addr = ipv4Address(group);
    request.imr_interface.s_addr = htonl(INADDR_LOOPBACK);
    s_option(fd_, IPPROTO_IP, IP_ADD_MEMBERSHIP, &request, sizeof request, "group membership");
    const int onlyJoined = 0;
    s_option(fd_, IPPROTO_IP, IP_MULTICAST_ALL, &onlyJoined, sizeof onlyJoined, "group filter");
}

void UdpEndpoint::sender(const std::string& address) {
    open();
    const int on = 1;
    s_option(fd_, SOL_SOCKET, SO_BROADCAST, &on, sizeof on, "broadcast");
    const sockaddr_in local = s_socketAddress(ipv4Address(address), 0);
    if (bind(fd_, reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0) {
        throw std::runtime_error("cannot send from " + address + ": " + std::strerror(errno));
    }
}

long UdpEndpoint::receive(uint8_t* buffer, size_t size, uint32_t* fromAddress, uint16_t* fromPort) {
    sockaddr_in from{};
    socklen_t length = sizeof from;
    const ssize_t received =
        recvfrom(fd_, buffer, size, MSG_TRUNC, reinterpret_cast<sockaddr*>(&from), &length);
    *fromAddress = from.sin_addr.s_addr;
    *fromPort = ntohs(from.sin_port);
    return received;
}

bool UdpEndpoint::send(const uint8_t* bytes, size_t size, uint32_t address, uint16_t port,
                       uint32_t sourceAddress) {
    sockaddr_in to = s_socketAddress(address, port);
    iovec data{const_cast<uint8_t*>(bytes), size};
    msghdr message{};
    message.msg_name = &to;
    message.msg_namelen = sizeof to;
    message.msg_iov = &data;
    message.msg_iovlen = 1;
    alignas(cmsghdr) char control[CMSG_SPACE(sizeof(in_pktinfo))] = {};
    if (sourceAddress != 0) {
        message.msg_control = control;
        message.msg_controllen = sizeof control;
        cmsghdr* header = CMSG_FIRSTHDR(&message);
        header->cmsg_level = IPPROTO_IP;
        header->cmsg_type = IP_PKTINFO;
        header->cmsg_len = CMSG_LEN(sizeof(in_pktinfo));
        in_pktinfo info{};
        info.ipi_spec_dst.s_addr = sourceAddress;
        std::memcpy(CMSG_DATA(header), &info, sizeof info);
    }
    return sendmsg(fd_, &message, MSG_NOSIGNAL) == static_cast<ssize_t>(size);
}

}  // namespace sim
