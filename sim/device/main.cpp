// lynkor-sim: simulated devices for tests, the demo and people without hardware.
#include <cstdio>
#include <exception>
#include <string>
#include <vector>

#include "control_server.h"
#include "event_loop.h"
#include "network_discovery.h"
#include "options.h"
#include "simulator.h"

int main(int argc, char** argv) {
    std::string error;
    auto options = sim::parseOptions(std::vector<std::string>(argv + 1, argv + argc), error);
    if (!options) {
        std::fprintf(stderr, "lynkor-sim: %s\n%s", error.c_str(), sim::kUsage);
        return 2;
    }
    try {
        sim::EventLoop loop;
        sim::Simulator simulator(loop, options->devices, options->heartbeatPeriod,
                                 options->usbDirectory);
        sim::ControlServer control(loop, simulator);
        sim::NetworkDiscovery discovery(loop, simulator, options->answerQueries);
        // Machine-readable first: whoever started us waits for "ready".
        for (const std::string& line : simulator.listeningLines()) {
            std::printf("%s\n", line.c_str());
        }
        std::printf("control %s\nready\n", control.endpoint().c_str());
        std::fflush(stdout);
        loop.run();
    } catch (const std::exception& failure) {
        std::fprintf(stderr, "lynkor-sim: %s\n", failure.what());
        return 1;
    }
    return 0;
}
