// A TCP listening socket on 127.0.0.1, at a port the system chooses or at a given one (a device
// that listens again after a restart), watched by the event loop; every accepted connection is
// handed over as a non-blocking descriptor.
#pragma once

#include <functional>
#include <string>

#include "event_loop.h"

namespace sim {

class LoopbackListener {
public:
    using AcceptHandler = std::function<void(int fd)>;

    // Port 0 lets the system choose. Throws std::runtime_error when it cannot listen.
    LoopbackListener(EventLoop& loop, int backlog, AcceptHandler onAccept, uint16_t port = 0);
    ~LoopbackListener();
    LoopbackListener(const LoopbackListener&) = delete;
    LoopbackListener& operator=(const LoopbackListener&) = delete;

    uint16_t port() const { return port_; }
    // "127.0.0.1:<port>"
    std::string endpoint() const;

private:
    void accept();

    EventLoop& loop_;
    AcceptHandler onAccept_;
    int fd_ = -1;
    uint16_t port_ = 0;
};

}  // namespace sim
