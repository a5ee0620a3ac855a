// Answers the network discovery query for every device served over TCP, as each device's own
// network interface would: a member of the query group on loopback, answering from the query
// port and from the address the device listens on.
#pragma once

#include <vector>

#include "event_loop.h"
#include "simulator.h"
#include "udp_endpoint.h"

namespace sim {

class QueryResponder {
public:
    QueryResponder(EventLoop& loop, std::vector<NetworkDevice> devices);
    ~QueryResponder();
    QueryResponder(const QueryResponder&) = delete;
    QueryResponder& operator=(const QueryResponder&) = delete;

private:
    void onQuery();

    EventLoop& loop_;
    std::vector<NetworkDevice> devices_;
    UdpEndpoint socket_;
};

}  // namespace sim
