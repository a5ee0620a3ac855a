#include "system_entity.h"

#include <chrono>

#include "protocol_codes.h"

namespace sim {

namespace {

enum class Access { ReadOnly, ReadWrite, WriteOnly };

struct SystemOption {
    uint8_t option;
    ValueWidth width;
    Access access;
    uint32_t value;
};

// Plausible readings of an idle device on a 5 V supply (micro-units).
constexpr uint32_t kInputMicrovolts = 5000000;
constexpr uint32_t kInputMicroamps = 120000;
constexpr uint32_t kTemperatureMicrodegrees = 35000000;
constexpr uint32_t kHeartbeatInterval = 10;
constexpr uint32_t kLedMaxBrightness = 255;
constexpr uint8_t kIdentifierOption = 39;
constexpr uint8_t kUptimeOption = 22;
constexpr size_t kPowerBehaviorConfigBytes = 16;

Property s_property(ValueWidth width, Access access, uint32_t number) {
    Property property;
    property.width = width;
    property.readable = access != Access::WriteOnly;
    property.writable = access != Access::ReadOnly;
    property.number = number;
    return property;
}

}  // namespace

void installSystemEntity(Device& device, uint8_t routerAddress) {
    const DeviceConfig& config = device.config();
    using enum ValueWidth;
    using enum Access;
    const SystemOption options[] = {
        {1, Byte, ReadOnly, config.address},
        {kSystemRouter, Byte, ReadWrite, routerAddress},
        {3, Byte, ReadWrite, kHeartbeatInterval},
        {4, Byte, ReadWrite, 0},
        {6, Byte, ReadWrite, 0},
        {kSystemVersion, Int, ReadOnly, config.version},
        {8, Byte, ReadOnly, config.model & 0xFF},
        {kSystemSerial, Int, ReadOnly, config.serial},
        {10, Void, WriteOnly, 0},
        {11, Void, WriteOnly, 0},
        {12, Int, ReadOnly, kInputMicrovolts},
        {13, Byte, ReadOnly, 0},
        {14, Byte, ReadOnly, config.address},
        {15, Byte, ReadWrite, 0},
        {16, Byte, ReadOnly, routerAddress},
        {21, Int, ReadOnly, kInputMicroamps},
        {23, Int, ReadOnly, kTemperatureMicrodegrees},
        {24, Void, WriteOnly, 0},
        {25, Int, ReadOnly, kInputMicrovolts},
        {26, Int, ReadOnly, kInputMicroamps},
        {27, Int, ReadOnly, kTemperatureMicrodegrees},
        {28, Int, ReadOnly, kTemperatureMicrodegrees},
        {29, Byte, ReadOnly, 0},
        {30, Byte, ReadWrite, 0},
        {31, Bytes, ReadWrite, 0},
        {kSystemName, Bytes, ReadWrite, 0},
        {33, Int, ReadOnly, 0},
        {34, Int, ReadWrite, 0},
        {35, Int, ReadOnly, 0},
        {37, Void, WriteOnly, 0},
        {38, Byte, ReadWrite, 0},
        {40, Int, ReadOnly, 1},
        {41, Int, ReadOnly, 0},
        {42, Byte, ReadWrite, kLedMaxBrightness},
        {kSystemBuild, Int, ReadOnly, config.build},
        {kSystemProtocolFeatures, Int, ReadOnly, 0},
    };
    PropertyTable& table = device.properties();
    for (const SystemOption& option : options) {
        table.define({kCmdSystem, option.option, 0, std::nullopt},
                     s_property(option.width, option.access, option.value));
    }
    table.find({kCmdSystem, 31, 0, std::nullopt})->bytes.assign(kPowerBehaviorConfigBytes, 0);
    table.find({kCmdSystem, kSystemName, 0, std::nullopt})
        ->bytes.assign(config.name.begin(), config.name.end());

    Property uptime = s_property(Int, ReadOnly, 0);
    uptime.onGet = [started = std::chrono::steady_clock::now()] {
        return static_cast<uint32_t>(std::chrono::duration_cast<std::chrono::seconds>(
                                         std::chrono::steady_clock::now() - started)
                                         .count());
    };
    table.define({kCmdSystem, kUptimeOption, 0, std::nullopt}, std::move(uptime));

    Property routeToMe = s_property(Byte, WriteOnly, 0);
    routeToMe.onSet = [&device](uint32_t, const sim::Bytes&) {
        ++device.counters().routeToMeSets;
        return kErrNone;
    };
    table.define({kCmdSystem, kSystemRouteToMe, 0, std::nullopt}, std::move(routeToMe));

    // Subindex k holds the identifier word that a fingerprint shows last but k.
    for (uint8_t subindex = 0; subindex < 4; ++subindex) {
        table.define({kCmdSystem, kIdentifierOption, 0, subindex},
                     s_property(Int, ReadOnly, config.identifier[3 - subindex]));
    }
}

uint32_t systemNumber(Device& device, uint8_t option) {
    const Property* property = device.properties().find({kCmdSystem, option, 0, std::nullopt});
    return property != nullptr ? property->current() : 0;
}

void setSystemNumber(Device& device, uint8_t option, uint32_t value) {
    if (Property* property = device.properties().find({kCmdSystem, option, 0, std::nullopt})) {
        property->number = value;
    }
}

}  // namespace sim
