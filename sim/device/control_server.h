// A line-based control socket through which a test or a person drives the simulated devices:
// read their counters and received packets, make them send heartbeats, packets or line noise,
// fall silent or hang up. Every request is answered by zero or more lines and then "ok" or
// "error <reason>".
#pragma once

#include <list>
#include <memory>
#include <string>
#include <vector>

#include "event_loop.h"
#include "fd_channel.h"
#include "loopback_listener.h"
#include "simulator.h"

namespace sim {

class ControlServer {
public:
    ControlServer(EventLoop& loop, Simulator& simulator);
    ~ControlServer();
    ControlServer(const ControlServer&) = delete;
    ControlServer& operator=(const ControlServer&) = delete;

    std::string endpoint() const { return listener_.endpoint(); }

    // Runs one request line and returns the answer lines, "ok" or "error ..." last.
    std::vector<std::string> execute(const std::string& line);

private:
    struct Client;

    static constexpr int kBacklog = 4;

    void accept(int fd);

    EventLoop& loop_;
    Simulator& simulator_;
    std::list<std::shared_ptr<Client>> clients_;
    LoopbackListener listener_;
};

}  // namespace sim
