// A device reached over TCP with the plain link framing, as one with its own network interface.
#pragma once

#include <list>
#include <memory>
#include <optional>
#include <string>

#include "device.h"
#include "fd_channel.h"
#include "loopback_listener.h"
#include "raw_framing.h"

namespace sim {

class TcpTransport {
public:
    // Listens on 127.0.0.1 at a port the system chooses.
    TcpTransport(EventLoop& loop, Device& device);
    ~TcpTransport();
    TcpTransport(const TcpTransport&) = delete;
    TcpTransport& operator=(const TcpTransport&) = delete;

    // "127.0.0.1:<port>"
    std::string endpoint() const { return "127.0.0.1:" + std::to_string(port_); }
    const char* address() const { return "127.0.0.1"; }
    uint16_t port() const { return port_; }

    // Closes every connection, with FIN or (`reset`) with RST, and stops listening.
    void leave(bool reset);
    // Listens again on the same port; false when it cannot.
    bool listenAgain();
    bool listening() const { return listener_.has_value(); }

private:
    class Connection;

    static constexpr int kBacklog = 8;

    void accept(int fd);
    void remove(Connection* connection);

    EventLoop& loop_;
    Device& device_;
    std::list<std::shared_ptr<Connection>> connections_;
    std::optional<LoopbackListener> listener_;
    uint16_t port_ = 0;
};

}  // namespace sim
