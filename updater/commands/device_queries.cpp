#include "commands/device_queries.h"

#include <algorithm>

#include "lynkor/aVersion.h"
#include "lynkor/entities/SystemClass.h"

using Norvane::Lynkor::Module;
using Norvane::Lynkor::SystemClass;

namespace {

// The first firmware that keeps a device name.
constexpr uint8_t kNamedFirmwareMajor = 2;
constexpr uint8_t kNamedFirmwareMinor = 10;
constexpr uint8_t kNamedFirmwarePatch = 4;
// The longest name a device keeps.
constexpr uint32_t kDeviceNameCapacity = 32;
constexpr uint32_t kLargestComparablePatch = 255;

}  // namespace

uint32_t readBuildNumber(Module& module) {
    uint32_t build = 0;
    return module.getBuild(&build) == aErrNone ? build : 0;
}

aErr readDeviceInfo(Module& module, DiscoveredDevice& device) {
    SystemClass system;
    system.init(&module, 0);
    uint32_t version = 0;
    aErr result = system.getVersion(&version);
    if (result != aErrNone) {
        return result;
    }
    device.major = aVersion_ParseMajor(version);
    device.minor = aVersion_ParseMinor(version);
    device.patch = aVersion_ParsePatch(version);

    uint8_t address = 0;
    result = system.getModule(&address);
    if (result != aErrNone) {
        return result;
    }
    device.spec.module = address;
    result = system.getRouter(&address);
    if (result == aErrNone) {
        device.spec.router = address;
    }
    return result;
}

aErr readDeviceName(Module& module, DiscoveredDevice& device) {
    // The comparison takes an 8-bit patch: a larger one is still later than 4.
    const auto patch = static_cast<uint8_t>(std::min(device.patch, kLargestComparablePatch));
    if (!aVersion_IsAtLeastCompare(device.major, device.minor, patch, kNamedFirmwareMajor,
                                   kNamedFirmwareMinor, kNamedFirmwarePatch)) {
        return aErrNone;
    }
    SystemClass system;
    system.init(&module, 0);
    uint8_t name[kDeviceNameCapacity] = {};
    uint32_t length = 0;
    const aErr result = system.getName(name, sizeof name, &length);
    if (result == aErrNone) {
        device.deviceName.assign(reinterpret_cast<const char*>(name), length);
    }
    return result;
}
