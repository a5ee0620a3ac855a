// A line-based control socket through which a test or a person drives the simulated devices:
// read their counters and received packets, make them send heartbeats, packets or line noise,
// fall silent or hang up. Every request is answered by zero or more lines and then "ok" or
// "error <reason>".
#pragma once

#include <string>
#include <vector>

#include "control_socket.h"
#include "event_loop.h"
#include "simulator.h"

namespace sim {

class ControlServer {
public:
    ControlServer(EventLoop& loop, Simulator& simulator);
    ControlServer(const ControlServer&) = delete;
    ControlServer& operator=(const ControlServer&) = delete;

    std::string endpoint() const { return socket_.endpoint(); }

    // Runs one request line and returns the answer lines, "ok" or "error ..." last.
    std::vector<std::string> execute(const std::string& line);

private:
    EventLoop& loop_;
    Simulator& simulator_;
    ControlSocket socket_;
};

}  // namespace sim
