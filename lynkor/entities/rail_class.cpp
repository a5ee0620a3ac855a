#include "lynkor/entities/RailClass.h"

#include "entities/entity_shapes.h"

namespace Norvane::Lynkor {

namespace {

using namespace lynkor::entities;

enum Option : uint8_t {
    kVoltage = 1,
    kCurrent = 2,
    kCurrentLimit = 3,
    kTemperature = 4,
    kEnable = 5,
    kKelvinSensingEnable = 7,
    kKelvinSensingState = 8,
    kOperationalMode = 9,
    kOperationalState = 10,
    kVoltageSetpoint = 11,
    kCurrentSetpoint = 12,
    kVoltageMinLimit = 13,
    kVoltageMaxLimit = 14,
    kPower = 15,
    kPowerSetpoint = 16,
    kPowerLimit = 17,
    kResistance = 18,
    kResistanceSetpoint = 19,
    kClearFaults = 20,
};

}  // namespace

RailClass::RailClass() = default;

RailClass::~RailClass() = default;

void RailClass::init(Module* module, uint8_t index) {
    EntityClass::init(module, kCommand, index);
}

aErr RailClass::getVoltage(int32_t* voltage) {
    return getSigned(*this, kVoltage, voltage);
}

aErr RailClass::getCurrent(int32_t* current) {
    return getSigned(*this, kCurrent, current);
}

aErr RailClass::getCurrentLimit(int32_t* currentLimit) {
    return getSigned(*this, kCurrentLimit, currentLimit);
}

aErr RailClass::setCurrentLimit(int32_t currentLimit) {
    return setSigned(*this, kCurrentLimit, currentLimit);
}

aErr RailClass::getTemperature(int32_t* temperature) {
    return getSigned(*this, kTemperature, temperature);
}

aErr RailClass::getEnable(uint8_t* enable) {
    return getUEI8(kEnable, enable);
}

aErr RailClass::setEnable(uint8_t enable) {
    return setUEI8(kEnable, enable);
}

aErr RailClass::getKelvinSensingEnable(uint8_t* kelvinSensingEnable) {
    return getUEI8(kKelvinSensingEnable, kelvinSensingEnable);
}

aErr RailClass::setKelvinSensingEnable(uint8_t kelvinSensingEnable) {
    return setUEI8(kKelvinSensingEnable, kelvinSensingEnable);
}

aErr RailClass::getKelvinSensingState(uint8_t* kelvinSensingState) {
    return getUEI8(kKelvinSensingState, kelvinSensingState);
}

aErr RailClass::getOperationalMode(uint8_t* operationalMode) {
    return getUEI8(kOperationalMode, operationalMode);
}

aErr RailClass::setOperationalMode(uint8_t operationalMode) {
    return setUEI8(kOperationalMode, operationalMode);
}

aErr RailClass::getOperationalState(uint32_t* operationalState) {
    return getUEI32(kOperationalState, operationalState);
}

aErr RailClass::getVoltageSetpoint(int32_t* voltageSetpoint) {
    return getSigned(*this, kVoltageSetpoint, voltageSetpoint);
}

aErr RailClass::setVoltageSetpoint(int32_t voltageSetpoint) {
    return setSigned(*this, kVoltageSetpoint, voltageSetpoint);
}

aErr RailClass::getCurrentSetpoint(int32_t* currentSetpoint) {
    return getSigned(*this, kCurrentSetpoint, currentSetpoint);
}

aErr RailClass::setCurrentSetpoint(int32_t currentSetpoint) {
    return setSigned(*this, kCurrentSetpoint, currentSetpoint);
}

aErr RailClass::getVoltageMinLimit(int32_t* voltageMinLimit) {
    return getSigned(*this, kVoltageMinLimit, voltageMinLimit);
}

aErr RailClass::setVoltageMinLimit(int32_t voltageMinLimit) {
    return setSigned(*this, kVoltageMinLimit, voltageMinLimit);
}

aErr RailClass::getVoltageMaxLimit(int32_t* voltageMaxLimit) {
    return getSigned(*this, kVoltageMaxLimit, voltageMaxLimit);
}

aErr RailClass::setVoltageMaxLimit(int32_t voltageMaxLimit) {
    return setSigned(*this, kVoltageMaxLimit, voltageMaxLimit);
}

aErr RailClass::getPower(int32_t* power) {
    return getSigned(*this, kPower, power);
}

aErr RailClass::getPowerSetpoint(int32_t* powerSetpoint) {
    return getSigned(*this, kPowerSetpoint, powerSetpoint);
}

aErr RailClass::setPowerSetpoint(int32_t powerSetpoint) {
    return setSigned(*this, kPowerSetpoint, powerSetpoint);
}

aErr RailClass::getPowerLimit(int32_t* powerLimit) {
    return getSigned(*this, kPowerLimit, powerLimit);
}

aErr RailClass::setPowerLimit(int32_t powerLimit) {
    return setSigned(*this, kPowerLimit, powerLimit);
}

aErr RailClass::getResistance(int32_t* resistance) {
    return getSigned(*this, kResistance, resistance);
}

aErr RailClass::getResistanceSetpoint(int32_t* resistanceSetpoint) {
    return getSigned(*this, kResistanceSetpoint, resistanceSetpoint);
}

aErr RailClass::setResistanceSetpoint(int32_t resistanceSetpoint) {
    return setSigned(*this, kResistanceSetpoint, resistanceSetpoint);
}

aErr RailClass::clearFaults() {
    return callUEI(kClearFaults);
}

}  // namespace Norvane::Lynkor
