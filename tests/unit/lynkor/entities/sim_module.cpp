#include "sim_module.h"

#include <iomanip>
#include <sstream>

#include "support/direct_links.h"

namespace entities_test {

std::string hex(const Bytes& bytes) {
    std::ostringstream text;
    text << std::uppercase << std::hex << std::setfill('0');
    for (uint8_t byte : bytes) {
        text << std::setw(2) << int(byte);
    }
    return text.str();
}

SimModule::SimModule(const std::string& transport, const std::vector<std::string>& extra) {
    std::vector<std::string> args = {
        "--heartbeat-ms", "0",  "--usb-dir", bus.path(), "--device",      kSerial, "--address", "4",
        "--model",        "17", "--build",   "12345",    "--" + transport};
    args.insert(args.end(), extra.begin(), extra.end());
    sim = std::make_unique<testing_support::DeviceSim>(args);
    module.setConfig(directConfig());
    connected = module.connectFromSpec(
        testing_support::simLinkSpec(*sim, transport, kSerial, kSerialNumber));
}

std::vector<std::string> SimModule::control(const std::string& verb, const std::string& rest) {
    return sim->command(verb + " " + kSerial + " " + rest);
}

std::vector<std::string> SimModule::requests() {
    return sim->history(kSerial);
}

void SimModule::clear() {
    sim->command(std::string("clear ") + kSerial);
}

}  // namespace entities_test
