// PoEClass: power over Ethernet: the port's power mode and each wire pair's class, readings and
// energy. Command 40. Every method answers an aErr, as EntityClass describes.
#pragma once

#include <cstdint>

#include "lynkor/EntityClass.h"

namespace Norvane::Lynkor {

class LYNKOR_API PoEClass : public EntityClass {
public:
    static constexpr uint8_t kCommand = 40;

    PoEClass();
    ~PoEClass() override;
    // Binds this object to entity `index` of the module.
    void init(Module* module, uint8_t index);

    // Power mode.
    aErr getPowerMode(uint8_t* powerMode);
    aErr setPowerMode(uint8_t powerMode);

    // Power state.
    aErr getPowerState(uint8_t* powerState);

    // Pair enabled (by pair).
    aErr getPairEnabled(uint8_t pair, uint8_t* pairEnabled);
    aErr setPairEnabled(uint8_t pair, uint8_t pairEnabled);

    // Pair sourcing class (by pair).
    aErr getPairSourcingClass(uint8_t pair, uint8_t* pairSourcingClass);
    aErr setPairSourcingClass(uint8_t pair, uint8_t pairSourcingClass);

    // Pair requested class (by pair).
    aErr getPairRequestedClass(uint8_t pair, uint8_t* pairRequestedClass);

    // Pair discovered class (by pair).
    aErr getPairDiscoveredClass(uint8_t pair, uint8_t* pairDiscoveredClass);

    // Pair detection status (by pair).
    aErr getPairDetectionStatus(uint8_t pair, uint8_t* pairDetectionStatus);

    // Pair voltage (by pair, signed).
    aErr getPairVoltage(uint8_t pair, int32_t* pairVoltage);

    // Pair current (by pair, signed).
    aErr getPairCurrent(uint8_t pair, int32_t* pairCurrent);

    // Pair power (by pair, signed).
    aErr getPairPower(uint8_t pair, int32_t* pairPower);

    // Total power (signed).
    aErr getTotalPower(int32_t* totalPower);

    // Pair accumulated power (by pair, signed).
    aErr getPairAccumulatedPower(uint8_t pair, int32_t* pairAccumulatedPower);
    aErr setPairAccumulatedPower(uint8_t pair, int32_t pairAccumulatedPower);

    // Total accumulated power (signed).
    aErr getTotalAccumulatedPower(int32_t* totalAccumulatedPower);
    aErr setTotalAccumulatedPower(int32_t totalAccumulatedPower);

    // Pair resistance (by pair, signed).
    aErr getPairResistance(uint8_t pair, int32_t* pairResistance);

    // Pair capacitance (by pair, signed).
    aErr getPairCapacitance(uint8_t pair, int32_t* pairCapacitance);
};

}  // namespace Norvane::Lynkor
