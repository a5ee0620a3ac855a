#include "network_discovery.h"

#include <algorithm>
#include <iterator>

namespace sim {

NetworkDiscovery::NetworkDiscovery(EventLoop& loop, const Simulator& simulator,
                                   bool answerQueries) {
    const std::vector<NetworkDevice> devices = simulator.networkDevices();
    if (answerQueries) {
        queries_ = std::make_unique<QueryResponder>(loop, devices);
    }
    std::vector<NetworkDevice> announced;
    std::copy_if(devices.begin(), devices.end(), std::back_inserter(announced),
                 [](const NetworkDevice& device) { return device.config.beacon; });
    if (!announced.empty()) {
        beacons_ = std::make_unique<BeaconAnnouncer>(loop, std::move(announced));
    }
}

}  // namespace sim
