// RailClass: a power rail: its readings, limits, set points and operating mode.
// Command 32. Every method answers an aErr, as EntityClass describes.
#pragma once

#include <cstdint>

#include "lynkor/EntityClass.h"

namespace Norvane::Lynkor {

class LYNKOR_API RailClass : public EntityClass {
public:
    static constexpr uint8_t kCommand = 32;

    RailClass();
    ~RailClass() override;
    // Binds this object to entity `index` of the module.
    void init(Module* module, uint8_t index);

    // Voltage (signed).
    aErr getVoltage(int32_t* voltage);

    // Current (signed).
    aErr getCurrent(int32_t* current);

    // Current limit (signed).
    aErr getCurrentLimit(int32_t* currentLimit);
    aErr setCurrentLimit(int32_t currentLimit);

    // Temperature (signed).
    aErr getTemperature(int32_t* temperature);

    // Enable.
    aErr getEnable(uint8_t* enable);
    aErr setEnable(uint8_t enable);

    // Kelvin sensing enable.
    aErr getKelvinSensingEnable(uint8_t* kelvinSensingEnable);
    aErr setKelvinSensingEnable(uint8_t kelvinSensingEnable);

    // Kelvin sensing state.
    aErr getKelvinSensingState(uint8_t* kelvinSensingState);

    // Operational mode.
    aErr getOperationalMode(uint8_t* operationalMode);
    aErr setOperationalMode(uint8_t operationalMode);

    // Operational state.
    aErr getOperationalState(uint32_t* operationalState);

    // Voltage set point (signed).
    aErr getVoltageSetpoint(int32_t* voltageSetpoint);
    aErr setVoltageSetpoint(int32_t voltageSetpoint);

    // Current set point (signed).
    aErr getCurrentSetpoint(int32_t* currentSetpoint);
    aErr setCurrentSetpoint(int32_t currentSetpoint);

    // Voltage min limit (signed).
    aErr getVoltageMinLimit(int32_t* voltageMinLimit);
    aErr setVoltageMinLimit(int32_t voltageMinLimit);

    // Voltage max limit (signed).
    aErr getVoltageMaxLimit(int32_t* voltageMaxLimit);
    aErr setVoltageMaxLimit(int32_t voltageMaxLimit);

    // Power (signed).
    aErr getPower(int32_t* power);

    // Power set point (signed).
    aErr getPowerSetpoint(int32_t* powerSetpoint);
    aErr setPowerSetpoint(int32_t powerSetpoint);

    // Power limit (signed).
    aErr getPowerLimit(int32_t* powerLimit);
    aErr setPowerLimit(int32_t powerLimit);

    // Resistance (signed).
    aErr getResistance(int32_t* resistance);

    // Resistance set point (signed).
    aErr getResistanceSetpoint(int32_t* resistanceSetpoint);
    aErr setResistanceSetpoint(int32_t resistanceSetpoint);

    // Clears the rail's faults.
    aErr clearFaults();
};

}  // namespace Norvane::Lynkor
