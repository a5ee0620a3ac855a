#pragma once

// Simulated devices (lynkor-sim) and Modules connected to them, for the entity-class tests.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "lynkor/Module.h"
#include "support/device_sim.h"
#include "support/direct_links.h"
#include "support/emulated_usb_bus.h"

namespace entities_test {

constexpr char kSerial[] = "40F5849A";
constexpr uint32_t kSerialNumber = 0x40F5849A;
constexpr uint8_t kAddress = 4;
constexpr uint8_t kModel = 17;
constexpr uint32_t kBuild = 12345;

using Bytes = std::vector<uint8_t>;

std::string hex(const Bytes& bytes);

using testing_support::directConfig;

// One simulated device (serial kSerial, address kAddress, model kModel, build kBuild, the
// simulator's other arguments appended) and a Module connected to it over `transport`.
struct SimModule {
    explicit SimModule(const std::string& transport, const std::vector<std::string>& extra = {});

    // Runs a control request on the device: "prop 18 3 0 type=u8" becomes
    // "prop 40F5849A 18 3 0 type=u8".
    std::vector<std::string> control(const std::string& verb, const std::string& rest);
    // The packets the device received since the last clear, as wire hex.
    std::vector<std::string> requests();
    void clear();

    testing_support::EmulatedUsbBus bus;
    std::unique_ptr<testing_support::DeviceSim> sim;
    Norvane::Lynkor::Module module{2, 0};
    aErr connected = aErrUnknown;
};

}  // namespace entities_test
