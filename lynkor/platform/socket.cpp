#include "platform/socket.h"

#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>

namespace lynkor::platform {
namespace {

aErr s_connectFailure(int error) {
    switch (error) {
        case ECONNREFUSED:
        case ECONNRESET:
        case ETIMEDOUT:
        case EAGAIN:
        case EINPROGRESS:
        case ENETUNREACH:
        case EHOSTUNREACH:
            return aErrConnection;
        default:
            return aErrIO;
    }
}

}  // namespace

aErr tcpConnect(uint32_t ipAddress, uint16_t port, int timeoutMs, int* fd) {
    *fd = -1;
    int sock = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (sock < 0) {
        return aErrIO;
    }
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = ipAddress;
    // Connect without blocking, so that an address that never answers cannot stall the caller
    // for the system's minutes-long connect time-out.
    if (connect(sock, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        if (errno != EINPROGRESS) {
            aErr result = s_connectFailure(errno);
            close(sock);
            return result;
        }
        pollfd entry{sock, POLLOUT, 0};
        if (poll(&entry, 1, timeoutMs) != 1) {
            close(sock);
            return aErrConnection;
        }
        int error = 0;
        socklen_t size = sizeof error;
        if (getsockopt(sock, SOL_SOCKET, SO_ERROR, &error, &size) != 0 || error != 0) {
            close(sock);
            return s_connectFailure(error);
        }
    }
    int noDelay = 1;
    linger resetOnClose{1, 0};
    if (setsockopt(sock, IPPROTO_TCP, TCP_NODELAY, &noDelay, sizeof noDelay) != 0 ||
        setsockopt(sock, SOL_SOCKET, SO_LINGER, &resetOnClose, sizeof resetOnClose) != 0) {
        close(sock);
        return aErrIO;
    }
    *fd = sock;
    return aErrNone;
}

}  // namespace lynkor::platform
