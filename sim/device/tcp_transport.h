// A device reached over TCP with the plain link framing, as one with its own network interface.
#pragma once

#include <list>
#include <memory>
#include <string>

#include "device.h"
#include "fd_channel.h"
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
    std::string endpoint() const;
    const char* address() const { return "127.0.0.1"; }
    uint16_t port() const { return static_cast<uint16_t>(port_); }

private:
    class Connection;

    void accept();
    void remove(Connection* connection);

    EventLoop& loop_;
    Device& device_;
    int listenFd_ = -1;
    int port_ = 0;
    std::list<std::shared_ptr<Connection>> connections_;
};

}  // namespace sim
