#include "lynkor/entities/PoEClass.h"

#include "entities/entity_shapes.h"

namespace Norvane::Lynkor {

namespace {

using namespace lynkor::entities;

enum Option : uint8_t {
    kPowerMode = 1,
    kPowerState = 2,
    kPairEnabled = 3,
    kPairSourcingClass = 4,
    kPairRequestedClass = 5,
    kPairDiscoveredClass = 6,
    kPairDetectionStatus = 7,
    kPairVoltage = 8,
    kPairCurrent = 9,
    kPairPower = 10,
    kTotalPower = 11,
    kPairAccumulatedPower = 12,
    kTotalAccumulatedPower = 13,
    kPairResistance = 14,
    kPairCapacitance = 15,
};

}  // namespace

PoEClass::PoEClass() = default;

PoEClass::~PoEClass() = default;

void PoEClass::init(Module* module, uint8_t index) {
    EntityClass::init(module, kCommand, index);
}

aErr PoEClass::getPowerMode(uint8_t* powerMode) {
    return getUEI8(kPowerMode, powerMode);
}

aErr PoEClass::setPowerMode(uint8_t powerMode) {
    return setUEI8(kPowerMode, powerMode);
}

aErr PoEClass::getPowerState(uint8_t* powerState) {
    return getUEI8(kPowerState, powerState);
}

aErr PoEClass::getPairEnabled(uint8_t pair, uint8_t* pairEnabled) {
    return getUEI8(kPairEnabled, pair, pairEnabled);
}

aErr PoEClass::setPairEnabled(uint8_t pair, uint8_t pairEnabled) {
    return setUEI8(kPairEnabled, pair, pairEnabled);
}

aErr PoEClass::getPairSourcingClass(uint8_t pair, uint8_t* pairSourcingClass) {
    return getUEI8(kPairSourcingClass, pair, pairSourcingClass);
}

aErr PoEClass::setPairSourcingClass(uint8_t pair, uint8_t pairSourcingClass) {
    return setUEI8(kPairSourcingClass, pair, pairSourcingClass);
}

aErr PoEClass::getPairRequestedClass(uint8_t pair, uint8_t* pairRequestedClass) {
    return getUEI8(kPairRequestedClass, pair, pairRequestedClass);
}

aErr PoEClass::getPairDiscoveredClass(uint8_t pair, uint8_t* pairDiscoveredClass) {
    return getUEI8(kPairDiscoveredClass, pair, pairDiscoveredClass);
}

aErr PoEClass::getPairDetectionStatus(uint8_t pair, uint8_t* pairDetectionStatus) {
    return getUEI8(kPairDetectionStatus, pair, pairDetectionStatus);
}

aErr PoEClass::getPairVoltage(uint8_t pair, int32_t* pairVoltage) {
    return getSigned(*this, kPairVoltage, pair, pairVoltage);
}

aErr PoEClass::getPairCurrent(uint8_t pair, int32_t* pairCurrent) {
    return getSigned(*this, kPairCurrent, pair, pairCurrent);
}

aErr PoEClass::getPairPower(uint8_t pair, int32_t* pairPower) {
    return getSigned(*this, kPairPower, pair, pairPower);
}

aErr PoEClass::getTotalPower(int32_t* totalPower) {
    return getSigned(*this, kTotalPower, totalPower);
}

aErr PoEClass::getPairAccumulatedPower(uint8_t pair, int32_t* pairAccumulatedPower) {
    return getSigned(*this, kPairAccumulatedPower, pair, pairAccumulatedPower);
}

aErr PoEClass::setPairAccumulatedPower(uint8_t pair, int32_t pairAccumulatedPower) {
    return setSigned(*this, kPairAccumulatedPower, pair, pairAccumulatedPower);
}

aErr PoEClass::getTotalAccumulatedPower(int32_t* totalAccumulatedPower) {
    return getSigned(*this, kTotalAccumulatedPower, totalAccumulatedPower);
}

aErr PoEClass::setTotalAccumulatedPower(int32_t totalAccumulatedPower) {
    return setSigned(*this, kTotalAccumulatedPower, totalAccumulatedPower);
}

aErr PoEClass::getPairResistance(uint8_t pair, int32_t* pairResistance) {
    return getSigned(*this, kPairResistance, pair, pairResistance);
}

aErr PoEClass::getPairCapacitance(uint8_t pair, int32_t* pairCapacitance) {
    return getSigned(*this, kPairCapacitance, pair, pairCapacitance);
}

}  // namespace Norvane::Lynkor
