// What network discovery finds of this simulator: answers to the multicast query for the TCP
// devices when asked for, and beacons for the devices marked to be announced.
#pragma once

#include <memory>

#include "beacon_announcer.h"
#include "event_loop.h"
#include "query_responder.h"
#include "simulator.h"

namespace sim {

class NetworkDiscovery {
public:
    NetworkDiscovery(EventLoop& loop, const Simulator& simulator, bool answerQueries);

private:
    std::unique_ptr<QueryResponder> queries_;
    std::unique_ptr<BeaconAnnouncer> beacons_;
};

}  // namespace sim
