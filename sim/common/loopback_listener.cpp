#include "loopback_listener.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <stdexcept>

namespace sim {

LoopbackListener::LoopbackListener(EventLoop& loop, int backlog, AcceptHandler onAccept,
                                   uint16_t port)
    : loop_(loop), onAccept_(std::move(onAccept)) {
    fd_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    // Connections closed on our side wait out their TIME_WAIT on this port; listening again
    // on it must not have to wait for them.
    int on = 1;
    setsockopt(fd_, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(port);
    socklen_t length = sizeof address;
    if (fd_ < 0 || bind(fd_, reinterpret_cast<sockaddr*>(&address), length) != 0 ||
        listen(fd_, backlog) != 0 ||
        getsockname(fd_, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        if (fd_ >= 0) {
            close(fd_);
        }
        throw std::runtime_error("cannot listen on 127.0.0.1");
    }
    port_ = ntohs(address.sin_port);
    loop_.watch(fd_, POLLIN, [this](short) { accept(); });
}

LoopbackListener::~LoopbackListener() {
    loop_.unwatch(fd_);
    close(fd_);
}

std::string LoopbackListener::endpoint() const {
    return "127.0.0.1:" + std::to_string(port_);
}

void LoopbackListener::accept() {
    int fd = accept4(fd_, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
    if (fd >= 0) {
        onAccept_(fd);
    }
}

}  // namespace sim
