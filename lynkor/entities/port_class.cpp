#include "lynkor/entities/PortClass.h"

#include "entities/entity_shapes.h"

namespace Norvane::Lynkor {

namespace {

using namespace lynkor::entities;

enum Option : uint8_t {
    kVbusVoltage = 1,
    kVbusCurrent = 2,
    kVconnVoltage = 3,
    kVconnCurrent = 4,
    kEnabled = 5,
    kPowerEnabled = 6,
    kDataEnabled = 7,
    kDataHSEnabled = 8,
    kDataHS1Enabled = 9,
    kDataHS2Enabled = 10,
    kDataSSEnabled = 11,
    kDataSS1Enabled = 12,
    kDataSS2Enabled = 13,
    kCCEnabled = 14,
    kCC1Enabled = 15,
    kCC2Enabled = 16,
    kVconnEnabled = 17,
    kVconn1Enabled = 18,
    kVconn2Enabled = 19,
    kState = 20,
    kErrors = 21,
    kCurrentLimit = 22,
    kCurrentLimitMode = 23,
    kPowerLimit = 24,
    kPowerLimitMode = 25,
    kAvailablePower = 26,
    kName = 27,
    kCCCurrentLimit = 28,
    kPowerMode = 30,
    kDataRole = 31,
    kDataSpeed = 32,
    kMode = 33,
    kVoltageSetpoint = 34,
    kAllocatedPower = 35,
    kDataHSRoutingBehavior = 36,
    kDataSSRoutingBehavior = 37,
    kVbusAccumulatedPower = 38,
    kResetVbusAccumulatedPower = 39,
    kVconnAccumulatedPower = 40,
    kResetVconnAccumulatedPower = 41,
    kHSBoost = 42,
    kCC1State = 45,
    kCC2State = 46,
    kCC1Voltage = 47,
    kCC1Current = 48,
    kCC2Voltage = 49,
    kCC2Current = 50,
    kSBU1Voltage = 51,
    kSBU2Voltage = 52,
    kCC1AccumulatedPower = 53,
    kCC2AccumulatedPower = 54,
};

}  // namespace

PortClass::PortClass() = default;

PortClass::~PortClass() = default;

void PortClass::init(Module* module, uint8_t index) {
    EntityClass::init(module, kCommand, index);
}

aErr PortClass::getVbusVoltage(int32_t* vbusVoltage) {
    return getSigned(*this, kVbusVoltage, vbusVoltage);
}

aErr PortClass::getVbusCurrent(int32_t* vbusCurrent) {
    return getSigned(*this, kVbusCurrent, vbusCurrent);
}

aErr PortClass::getVconnVoltage(int32_t* vconnVoltage) {
    return getSigned(*this, kVconnVoltage, vconnVoltage);
}

aErr PortClass::getVconnCurrent(int32_t* vconnCurrent) {
    return getSigned(*this, kVconnCurrent, vconnCurrent);
}

aErr PortClass::getEnabled(uint8_t* enabled) {
    return getUEI8(kEnabled, enabled);
}

aErr PortClass::setEnabled(uint8_t enabled) {
    return setUEI8(kEnabled, enabled);
}

aErr PortClass::getPowerEnabled(uint8_t* powerEnabled) {
    return getUEI8(kPowerEnabled, powerEnabled);
}

aErr PortClass::setPowerEnabled(uint8_t powerEnabled) {
    return setUEI8(kPowerEnabled, powerEnabled);
}

aErr PortClass::getDataEnabled(uint8_t* dataEnabled) {
    return getUEI8(kDataEnabled, dataEnabled);
}

aErr PortClass::setDataEnabled(uint8_t dataEnabled) {
    return setUEI8(kDataEnabled, dataEnabled);
}

aErr PortClass::getDataHSEnabled(uint8_t* dataHSEnabled) {
    return getUEI8(kDataHSEnabled, dataHSEnabled);
}

aErr PortClass::setDataHSEnabled(uint8_t dataHSEnabled) {
    return setUEI8(kDataHSEnabled, dataHSEnabled);
}

aErr PortClass::getDataHS1Enabled(uint8_t* dataHS1Enabled) {
    return getUEI8(kDataHS1Enabled, dataHS1Enabled);
}

aErr PortClass::setDataHS1Enabled(uint8_t dataHS1Enabled) {
    return setUEI8(kDataHS1Enabled, dataHS1Enabled);
}

aErr PortClass::getDataHS2Enabled(uint8_t* dataHS2Enabled) {
    return getUEI8(kDataHS2Enabled, dataHS2Enabled);
}

aErr PortClass::setDataHS2Enabled(uint8_t dataHS2Enabled) {
    return setUEI8(kDataHS2Enabled, dataHS2Enabled);
}

aErr PortClass::getDataSSEnabled(uint8_t* dataSSEnabled) {
    return getUEI8(kDataSSEnabled, dataSSEnabled);
}

aErr PortClass::setDataSSEnabled(uint8_t dataSSEnabled) {
    return setUEI8(kDataSSEnabled, dataSSEnabled);
}

aErr PortClass::getDataSS1Enabled(uint8_t* dataSS1Enabled) {
    return getUEI8(kDataSS1Enabled, dataSS1Enabled);
}

aErr PortClass::setDataSS1Enabled(uint8_t dataSS1Enabled) {
    return setUEI8(kDataSS1Enabled, dataSS1Enabled);
}

aErr PortClass::getDataSS2Enabled(uint8_t* dataSS2Enabled) {
    return getUEI8(kDataSS2Enabled, dataSS2Enabled);
}

aErr PortClass::setDataSS2Enabled(uint8_t dataSS2Enabled) {
    return setUEI8(kDataSS2Enabled, dataSS2Enabled);
}

aErr PortClass::getCCEnabled(uint8_t* ccEnabled) {
    return getUEI8(kCCEnabled, ccEnabled);
}

aErr PortClass::setCCEnabled(uint8_t ccEnabled) {
    return setUEI8(kCCEnabled, ccEnabled);
}

aErr PortClass::getCC1Enabled(uint8_t* cc1Enabled) {
    return getUEI8(kCC1Enabled, cc1Enabled);
}

aErr PortClass::setCC1Enabled(uint8_t cc1Enabled) {
    return setUEI8(kCC1Enabled, cc1Enabled);
}

aErr PortClass::getCC2Enabled(uint8_t* cc2Enabled) {
    return getUEI8(kCC2Enabled, cc2Enabled);
}

aErr PortClass::setCC2Enabled(uint8_t cc2Enabled) {
    return setUEI8(kCC2Enabled, cc2Enabled);
}

aErr PortClass::getVconnEnabled(uint8_t* vconnEnabled) {
    return getUEI8(kVconnEnabled, vconnEnabled);
}

aErr PortClass::setVconnEnabled(uint8_t vconnEnabled) {
    return setUEI8(kVconnEnabled, vconnEnabled);
}

aErr PortClass::getVconn1Enabled(uint8_t* vconn1Enabled) {
    return getUEI8(kVconn1Enabled, vconn1Enabled);
}

aErr PortClass::setVconn1Enabled(uint8_t vconn1Enabled) {
    return setUEI8(kVconn1Enabled, vconn1Enabled);
}

aErr PortClass::getVconn2Enabled(uint8_t* vconn2Enabled) {
    return getUEI8(kVconn2Enabled, vconn2Enabled);
}

aErr PortClass::setVconn2Enabled(uint8_t vconn2Enabled) {
    return setUEI8(kVconn2Enabled, vconn2Enabled);
}

aErr PortClass::getState(uint32_t* state) {
    return getUEI32(kState, state);
}

aErr PortClass::getErrors(uint32_t* errors) {
    return getUEI32(kErrors, errors);
}

aErr PortClass::getCurrentLimit(uint32_t* currentLimit) {
    return getUEI32(kCurrentLimit, currentLimit);
}

aErr PortClass::setCurrentLimit(uint32_t currentLimit) {
    return setUEI32(kCurrentLimit, currentLimit);
}

aErr PortClass::getCurrentLimitMode(uint8_t* currentLimitMode) {
    return getUEI8(kCurrentLimitMode, currentLimitMode);
}

aErr PortClass::setCurrentLimitMode(uint8_t currentLimitMode) {
    return setUEI8(kCurrentLimitMode, currentLimitMode);
}

aErr PortClass::getPowerLimit(uint32_t* powerLimit) {
    return getUEI32(kPowerLimit, powerLimit);
}

aErr PortClass::setPowerLimit(uint32_t powerLimit) {
    return setUEI32(kPowerLimit, powerLimit);
}

aErr PortClass::getPowerLimitMode(uint8_t* powerLimitMode) {
    return getUEI8(kPowerLimitMode, powerLimitMode);
}

aErr PortClass::setPowerLimitMode(uint8_t powerLimitMode) {
    return setUEI8(kPowerLimitMode, powerLimitMode);
}

aErr PortClass::getAvailablePower(uint32_t* availablePower) {
    return getUEI32(kAvailablePower, availablePower);
}

aErr PortClass::getName(uint8_t* buffer, uint32_t size, uint32_t* length) {
    return getBytes(*this, kName, buffer, size, length);
}

aErr PortClass::setName(const uint8_t* bytes, uint32_t count) {
    return setBytes(*this, kName, bytes, count);
}

aErr PortClass::getCCCurrentLimit(uint8_t* ccCurrentLimit) {
    return getUEI8(kCCCurrentLimit, ccCurrentLimit);
}

aErr PortClass::setCCCurrentLimit(uint8_t ccCurrentLimit) {
    return setUEI8(kCCCurrentLimit, ccCurrentLimit);
}

aErr PortClass::getPowerMode(uint8_t* powerMode) {
    return getUEI8(kPowerMode, powerMode);
}

aErr PortClass::setPowerMode(uint8_t powerMode) {
    return setUEI8(kPowerMode, powerMode);
}

aErr PortClass::getDataRole(uint8_t* dataRole) {
    return getUEI8(kDataRole, dataRole);
}

aErr PortClass::getDataSpeed(uint8_t* dataSpeed) {
    return getUEI8(kDataSpeed, dataSpeed);
}

aErr PortClass::getMode(uint32_t* mode) {
    return getUEI32(kMode, mode);
}

aErr PortClass::setMode(uint32_t mode) {
    return setUEI32(kMode, mode);
}

aErr PortClass::getVoltageSetpoint(uint32_t* voltageSetpoint) {
    return getUEI32(kVoltageSetpoint, voltageSetpoint);
}

aErr PortClass::setVoltageSetpoint(uint32_t voltageSetpoint) {
    return setUEI32(kVoltageSetpoint, voltageSetpoint);
}

aErr PortClass::getAllocatedPower(int32_t* allocatedPower) {
    return getSigned(*this, kAllocatedPower, allocatedPower);
}

aErr PortClass::getDataHSRoutingBehavior(uint8_t* dataHSRoutingBehavior) {
    return getUEI8(kDataHSRoutingBehavior, dataHSRoutingBehavior);
}

aErr PortClass::setDataHSRoutingBehavior(uint8_t dataHSRoutingBehavior) {
    return setUEI8(kDataHSRoutingBehavior, dataHSRoutingBehavior);
}

aErr PortClass::getDataSSRoutingBehavior(uint8_t* dataSSRoutingBehavior) {
    return getUEI8(kDataSSRoutingBehavior, dataSSRoutingBehavior);
}

aErr PortClass::setDataSSRoutingBehavior(uint8_t dataSSRoutingBehavior) {
    return setUEI8(kDataSSRoutingBehavior, dataSSRoutingBehavior);
}

aErr PortClass::getVbusAccumulatedPower(int32_t* vbusAccumulatedPower) {
    return getSigned(*this, kVbusAccumulatedPower, vbusAccumulatedPower);
}

aErr PortClass::setVbusAccumulatedPower(int32_t vbusAccumulatedPower) {
    return setSigned(*this, kVbusAccumulatedPower, vbusAccumulatedPower);
}

aErr PortClass::resetVbusAccumulatedPower() {
    return callUEI(kResetVbusAccumulatedPower);
}

aErr PortClass::getVconnAccumulatedPower(int32_t* vconnAccumulatedPower) {
    return getSigned(*this, kVconnAccumulatedPower, vconnAccumulatedPower);
}

aErr PortClass::setVconnAccumulatedPower(int32_t vconnAccumulatedPower) {
    return setSigned(*this, kVconnAccumulatedPower, vconnAccumulatedPower);
}

aErr PortClass::resetVconnAccumulatedPower() {
    return callUEI(kResetVconnAccumulatedPower);
}

aErr PortClass::getHSBoost(uint8_t* hsBoost) {
    return getUEI8(kHSBoost, hsBoost);
}

aErr PortClass::setHSBoost(uint8_t hsBoost) {
    return setUEI8(kHSBoost, hsBoost);
}

aErr PortClass::getCC1State(uint16_t* cc1State) {
    return getUEI16(kCC1State, cc1State);
}

aErr PortClass::getCC2State(uint16_t* cc2State) {
    return getUEI16(kCC2State, cc2State);
}

aErr PortClass::getCC1Voltage(int32_t* cc1Voltage) {
    return getSigned(*this, kCC1Voltage, cc1Voltage);
}

aErr PortClass::getCC1Current(int32_t* cc1Current) {
    return getSigned(*this, kCC1Current, cc1Current);
}

aErr PortClass::getCC2Voltage(int32_t* cc2Voltage) {
    return getSigned(*this, kCC2Voltage, cc2Voltage);
}

aErr PortClass::getCC2Current(int32_t* cc2Current) {
    return getSigned(*this, kCC2Current, cc2Current);
}

aErr PortClass::getSBU1Voltage(int32_t* sbu1Voltage) {
    return getSigned(*this, kSBU1Voltage, sbu1Voltage);
}

aErr PortClass::getSBU2Voltage(int32_t* sbu2Voltage) {
    return getSigned(*this, kSBU2Voltage, sbu2Voltage);
}

aErr PortClass::getCC1AccumulatedPower(int32_t* cc1AccumulatedPower) {
    return getSigned(*this, kCC1AccumulatedPower, cc1AccumulatedPower);
}

aErr PortClass::setCC1AccumulatedPower(int32_t cc1AccumulatedPower) {
    return setSigned(*this, kCC1AccumulatedPower, cc1AccumulatedPower);
}

aErr PortClass::getCC2AccumulatedPower(int32_t* cc2AccumulatedPower) {
    return getSigned(*this, kCC2AccumulatedPower, cc2AccumulatedPower);
}

aErr PortClass::setCC2AccumulatedPower(int32_t cc2AccumulatedPower) {
    return setSigned(*this, kCC2AccumulatedPower, cc2AccumulatedPower);
}

}  // namespace Norvane::Lynkor
