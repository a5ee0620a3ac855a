// A line-based control socket on 127.0.0.1 through which a test or a person drives a simulator:
// each request line goes to the owner's handler, and its answer lines go back, by convention
// "ok" or "error <reason>" last.
#pragma once

#include <functional>
#include <list>
#include <memory>
#include <string>
#include <vector>

#include "event_loop.h"
#include "fd_channel.h"
#include "loopback_listener.h"

namespace sim {

class ControlSocket {
public:
    using Handler = std::function<std::vector<std::string>(const std::string& line)>;

    ControlSocket(EventLoop& loop, Handler handler);
    ~ControlSocket();
    ControlSocket(const ControlSocket&) = delete;
    ControlSocket& operator=(const ControlSocket&) = delete;

    // "127.0.0.1:<port>"
    std::string endpoint() const { return listener_.endpoint(); }

private:
    struct Client;

    static constexpr int kBacklog = 4;

    void accept(int fd);

    EventLoop& loop_;
    Handler handler_;
    std::list<std::shared_ptr<Client>> clients_;
    LoopbackListener listener_;
};

}  // namespace sim
