#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>

#include <chrono>
#include <climits>
#include <new>

#include "lynkor/aDiscovery.h"
#include "platform/udp_socket.h"

using lynkor::platform::UdpPeer;
using lynkor::platform::UdpSocket;

namespace {

constexpr uint16_t kMulticastCheck = 0xCA57;
constexpr int kMulticastTtl = 1;
constexpr std::chrono::milliseconds kMulticastReceiveTimeout{1000};

bool s_resolveGroup(const char* group, uint32_t* address) {
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_DGRAM;
    hints.ai_protocol = IPPROTO_UDP;
    // Numeric only: a group name must never wait on a name server.
    hints.ai_flags = AI_NUMERICHOST;
    addrinfo* result = nullptr;
    if (::getaddrinfo(group, nullptr, &hints, &result) != 0 || result == nullptr) {
        return false;
    }
    *address = reinterpret_cast<const sockaddr_in*>(result->ai_addr)->sin_addr.s_addr;
    ::freeaddrinfo(result);
    return true;
}

}  // namespace

struct aMulticast {
    uint16_t check = kMulticastCheck;
    UdpPeer group;
    uint32_t interfaceAddress = 0;
    UdpPeer bindAddress;
    UdpSocket socket;
    bool sender = false;
};

namespace {

bool s_valid(const aMulticast* handle) {
    return handle != nullptr && handle->check == kMulticastCheck;
}

}  // namespace

extern "C" {

aMulticast* aMulticast_Create(uint32_t interfaceAddress, const char* groupAddress, uint16_t port,
                              bool sender) {
    if (groupAddress == nullptr) {
        return nullptr;
    }
    const uint32_t loopback = htonl(INADDR_LOOPBACK);
    auto* handle = new (std::nothrow) aMulticast;
    if (handle == nullptr) {
        return nullptr;
    }
    handle->sender = sender;
    handle->interfaceAddress = interfaceAddress == 0 ? loopback : interfaceAddress;
    handle->group.port = port;
    handle->bindAddress = sender ? UdpPeer{handle->interfaceAddress, 0} : UdpPeer{INADDR_ANY, port};
    UdpSocket& socket = handle->socket;
    const bool ready =
        s_resolveGroup(groupAddress, &handle->group.address) && socket.isOpen() &&
        socket.setReuseAddress(false) &&
        (sender || socket.bind(handle->bindAddress.address, handle->bindAddress.port)) &&
        socket.joinGroup(handle->group.address, handle->interfaceAddress) &&
        socket.setMulticastInterface(handle->interfaceAddress) &&
        socket.setMulticastTtl(kMulticastTtl) &&
        socket.setReceiveTimeout(kMulticastReceiveTimeout) && socket.setMulticastLoop(true);
    if (!ready) {
        delete handle;
        return nullptr;
    }
    return handle;
}

int aMulticast_Send(aMulticast* handle, const uint8_t* bytes, size_t length) {
    if (!s_valid(handle)) {
        return aMULTICAST_NULL_HANDLE;
    }
    if (!handle->sender) {
        return aMULTICAST_WRONG_DIRECTION;
    }
    if (bytes == nullptr || length > INT_MAX) {
        return aMULTICAST_SOCKET_ERROR;
    }
    const ssize_t sent = handle->socket.sendTo(bytes, length, handle->group);
    return sent < 0 ? aMULTICAST_SOCKET_ERROR : static_cast<int>(sent);
}

int aMulticast_Receive(aMulticast* handle, uint8_t* bytes, size_t length) {
    if (!s_valid(handle)) {
        return aMULTICAST_NULL_HANDLE;
    }
    if (handle->sender) {
        return aMULTICAST_WRONG_DIRECTION;
    }
    if (bytes == nullptr || length > INT_MAX) {
        return aMULTICAST_SOCKET_ERROR;
    }
    const ssize_t received = handle->socket.receive(bytes, length);
    return received < 0 ? aMULTICAST_SOCKET_ERROR : static_cast<int>(received);
}

int aMulticast_Destroy(aMulticast** handle) {
    if (handle == nullptr || !s_valid(*handle)) {
        return aMULTICAST_NULL_HANDLE;
    }
    (*handle)->check = 0;
    delete *handle;
    *handle = nullptr;
    return 0;
}
}
