#include "lynkor/entities/USBClass.h"

#include "entities/entity_shapes.h"

namespace Norvane::Lynkor {

namespace {

using namespace lynkor::entities;

enum Option : uint8_t {
    kPortEnable = 1,
    kPortDisable = 2,
    kDataEnable = 3,
    kDataDisable = 4,
    kPowerEnable = 5,
    kPowerDisable = 6,
    kPortCurrent = 7,
    kPortVoltage = 8,
    kHubMode = 9,
    kClearPortErrorStatus = 12,
    kUpstreamMode = 14,
    kUpstreamState = 15,
    kEnumerationDelay = 16,
    kPortCurrentLimit = 17,
    kUpstreamBoostMode = 18,
    kDownstreamBoostMode = 19,
    kPortMode = 20,
    kHiSpeedDataEnable = 21,
    kHiSpeedDataDisable = 22,
    kSuperSpeedDataEnable = 23,
    kSuperSpeedDataDisable = 24,
    kDownstreamDataSpeed = 25,
    kConnectMode = 26,
    kCC1Enable = 27,
    kCC2Enable = 28,
    kSBUEnable = 29,
    kCC1Current = 30,
    kCC2Current = 31,
    kCC1Voltage = 32,
    kCC2Voltage = 33,
    kPortState = 34,
    kPortError = 35,
    kCableFlip = 36,
    kAltModeConfig = 37,
    kSBU1Voltage = 38,
    kSBU2Voltage = 39,
};

}  // namespace

USBClass::USBClass() = default;

USBClass::~USBClass() = default;

void USBClass::init(Module* module, uint8_t index) {
    EntityClass::init(module, kCommand, index);
}

aErr USBClass::setPortEnable(uint8_t port) {
    return setUEI8(kPortEnable, port);
}

aErr USBClass::setPortDisable(uint8_t port) {
    return setUEI8(kPortDisable, port);
}

aErr USBClass::setDataEnable(uint8_t port) {
    return setUEI8(kDataEnable, port);
}

aErr USBClass::setDataDisable(uint8_t port) {
    return setUEI8(kDataDisable, port);
}

aErr USBClass::setPowerEnable(uint8_t port) {
    return setUEI8(kPowerEnable, port);
}

aErr USBClass::setPowerDisable(uint8_t port) {
    return setUEI8(kPowerDisable, port);
}

aErr USBClass::getPortCurrent(uint8_t port, int32_t* portCurrent) {
    return getSigned(*this, kPortCurrent, port, portCurrent);
}

aErr USBClass::getPortVoltage(uint8_t port, int32_t* portVoltage) {
    return getSigned(*this, kPortVoltage, port, portVoltage);
}

aErr USBClass::getHubMode(uint32_t* hubMode) {
    return getUEI32(kHubMode, hubMode);
}

aErr USBClass::setHubMode(uint32_t hubMode) {
    return setUEI32(kHubMode, hubMode);
}

aErr USBClass::clearPortErrorStatus(uint8_t port) {
    return setUEI8(kClearPortErrorStatus, port);
}

aErr USBClass::getUpstreamMode(uint8_t* upstreamMode) {
    return getUEI8(kUpstreamMode, upstreamMode);
}

aErr USBClass::setUpstreamMode(uint8_t upstreamMode) {
    return setUEI8(kUpstreamMode, upstreamMode);
}

aErr USBClass::getUpstreamState(uint8_t* upstreamState) {
    return getUEI8(kUpstreamState, upstreamState);
}

aErr USBClass::getEnumerationDelay(uint32_t* enumerationDelay) {
    return getUEI32(kEnumerationDelay, enumerationDelay);
}

aErr USBClass::setEnumerationDelay(uint32_t enumerationDelay) {
    return setUEI32(kEnumerationDelay, enumerationDelay);
}

aErr USBClass::getPortCurrentLimit(uint8_t port, uint32_t* portCurrentLimit) {
    return getUEI32(kPortCurrentLimit, port, portCurrentLimit);
}

aErr USBClass::setPortCurrentLimit(uint8_t port, uint32_t portCurrentLimit) {
    return setUEI32(kPortCurrentLimit, port, portCurrentLimit);
}

aErr USBClass::getUpstreamBoostMode(uint8_t* upstreamBoostMode) {
    return getUEI8(kUpstreamBoostMode, upstreamBoostMode);
}

aErr USBClass::setUpstreamBoostMode(uint8_t upstreamBoostMode) {
    return setUEI8(kUpstreamBoostMode, upstreamBoostMode);
}

aErr USBClass::getDownstreamBoostMode(uint8_t* downstreamBoostMode) {
    return getUEI8(kDownstreamBoostMode, downstreamBoostMode);
}

aErr USBClass::setDownstreamBoostMode(uint8_t downstreamBoostMode) {
    return setUEI8(kDownstreamBoostMode, downstreamBoostMode);
}

aErr USBClass::getPortMode(uint8_t port, uint32_t* portMode) {
    return getUEI32(kPortMode, port, portMode);
}

aErr USBClass::setPortMode(uint8_t port, uint32_t portMode) {
    return setUEI32(kPortMode, port, portMode);
}

aErr USBClass::setHiSpeedDataEnable(uint8_t port) {
    return setUEI8(kHiSpeedDataEnable, port);
}

aErr USBClass::setHiSpeedDataDisable(uint8_t port) {
    return setUEI8(kHiSpeedDataDisable, port);
}

aErr USBClass::setSuperSpeedDataEnable(uint8_t port) {
    return setUEI8(kSuperSpeedDataEnable, port);
}

aErr USBClass::setSuperSpeedDataDisable(uint8_t port) {
    return setUEI8(kSuperSpeedDataDisable, port);
}

aErr USBClass::getDownstreamDataSpeed(uint8_t port, uint8_t* downstreamDataSpeed) {
    return getUEI8(kDownstreamDataSpeed, port, downstreamDataSpeed);
}

aErr USBClass::getConnectMode(uint8_t port, uint8_t* connectMode) {
    return getUEI8(kConnectMode, port, connectMode);
}

aErr USBClass::setConnectMode(uint8_t port, uint8_t connectMode) {
    return setUEI8(kConnectMode, port, connectMode);
}

aErr USBClass::getCC1Enable(uint8_t port, uint8_t* cc1Enable) {
    return getUEI8(kCC1Enable, port, cc1Enable);
}

aErr USBClass::setCC1Enable(uint8_t port, uint8_t cc1Enable) {
    return setUEI8(kCC1Enable, port, cc1Enable);
}

aErr USBClass::getCC2Enable(uint8_t port, uint8_t* cc2Enable) {
    return getUEI8(kCC2Enable, port, cc2Enable);
}

aErr USBClass::setCC2Enable(uint8_t port, uint8_t cc2Enable) {
    return setUEI8(kCC2Enable, port, cc2Enable);
}

aErr USBClass::getSBUEnable(uint8_t port, uint8_t* sbuEnable) {
    return getUEI8(kSBUEnable, port, sbuEnable);
}

aErr USBClass::setSBUEnable(uint8_t port, uint8_t sbuEnable) {
    return setUEI8(kSBUEnable, port, sbuEnable);
}

aErr USBClass::getCC1Current(uint8_t port, int32_t* cc1Current) {
    return getSigned(*this, kCC1Current, port, cc1Current);
}

aErr USBClass::getCC2Current(uint8_t port, int32_t* cc2Current) {
    return getSigned(*this, kCC2Current, port, cc2Current);
}

aErr USBClass::getCC1Voltage(uint8_t port, int32_t* cc1Voltage) {
    return getSigned(*this, kCC1Voltage, port, cc1Voltage);
}

aErr USBClass::getCC2Voltage(uint8_t port, int32_t* cc2Voltage) {
    return getSigned(*this, kCC2Voltage, port, cc2Voltage);
}

aErr USBClass::getPortState(uint8_t port, uint32_t* portState) {
    return getUEI32(kPortState, port, portState);
}

aErr USBClass::getPortError(uint8_t port, uint32_t* portError) {
    return getUEI32(kPortError, port, portError);
}

aErr USBClass::getCableFlip(uint8_t port, uint8_t* cableFlip) {
    return getUEI8(kCableFlip, port, cableFlip);
}

aErr USBClass::setCableFlip(uint8_t port, uint8_t cableFlip) {
    return setUEI8(kCableFlip, port, cableFlip);
}

aErr USBClass::getAltModeConfig(uint8_t port, uint32_t* altModeConfig) {
    return getUEI32(kAltModeConfig, port, altModeConfig);
}

aErr USBClass::setAltModeConfig(uint8_t port, uint32_t altModeConfig) {
    return setUEI32(kAltModeConfig, port, altModeConfig);
}

aErr USBClass::getSBU1Voltage(uint8_t port, int32_t* sbu1Voltage) {
    return getSigned(*this, kSBU1Voltage, port, sbu1Voltage);
}

aErr USBClass::getSBU2Voltage(uint8_t port, int32_t* sbu2Voltage) {
    return getSigned(*this, kSBU2Voltage, port, sbu2Voltage);
}

}  // namespace Norvane::Lynkor
