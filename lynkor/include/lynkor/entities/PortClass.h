// PortClass: one port of a hub or switch: its supply and data paths, readings, limits and roles.
// Command 37. Every method answers an aErr, as EntityClass describes.
#pragma once

#include <cstdint>

#include "lynkor/EntityClass.h"

namespace Norvane::Lynkor {

class LYNKOR_API PortClass : public EntityClass {
public:
    static constexpr uint8_t kCommand = 37;

    PortClass();
    ~PortClass() override;
    // Binds this object to entity `index` of the module.
    void init(Module* module, uint8_t index);

    // VBUS voltage (signed).
    aErr getVbusVoltage(int32_t* vbusVoltage);

    // VBUS current (signed).
    aErr getVbusCurrent(int32_t* vbusCurrent);

    // VCONN voltage (signed).
    aErr getVconnVoltage(int32_t* vconnVoltage);

    // VCONN current (signed).
    aErr getVconnCurrent(int32_t* vconnCurrent);

    // Enabled.
    aErr getEnabled(uint8_t* enabled);
    aErr setEnabled(uint8_t enabled);

    // Power enabled.
    aErr getPowerEnabled(uint8_t* powerEnabled);
    aErr setPowerEnabled(uint8_t powerEnabled);

    // Data enabled.
    aErr getDataEnabled(uint8_t* dataEnabled);
    aErr setDataEnabled(uint8_t dataEnabled);

    // Data HS enabled.
    aErr getDataHSEnabled(uint8_t* dataHSEnabled);
    aErr setDataHSEnabled(uint8_t dataHSEnabled);

    // Data HS1 enabled.
    aErr getDataHS1Enabled(uint8_t* dataHS1Enabled);
    aErr setDataHS1Enabled(uint8_t dataHS1Enabled);

    // Data HS2 enabled.
    aErr getDataHS2Enabled(uint8_t* dataHS2Enabled);
    aErr setDataHS2Enabled(uint8_t dataHS2Enabled);

    // Data SS enabled.
    aErr getDataSSEnabled(uint8_t* dataSSEnabled);
    aErr setDataSSEnabled(uint8_t dataSSEnabled);

    // Data SS1 enabled.
    aErr getDataSS1Enabled(uint8_t* dataSS1Enabled);
    aErr setDataSS1Enabled(uint8_t dataSS1Enabled);

    // Data SS2 enabled.
    aErr getDataSS2Enabled(uint8_t* dataSS2Enabled);
    aErr setDataSS2Enabled(uint8_t dataSS2Enabled);

    // CC enabled.
    aErr getCCEnabled(uint8_t* ccEnabled);
    aErr setCCEnabled(uint8_t ccEnabled);

    // CC1 enabled.
    aErr getCC1Enabled(uint8_t* cc1Enabled);
    aErr setCC1Enabled(uint8_t cc1Enabled);

    // CC2 enabled.
    aErr getCC2Enabled(uint8_t* cc2Enabled);
    aErr setCC2Enabled(uint8_t cc2Enabled);

    // VCONN enabled.
    aErr getVconnEnabled(uint8_t* vconnEnabled);
    aErr setVconnEnabled(uint8_t vconnEnabled);

    // VCONN1 enabled.
    aErr getVconn1Enabled(uint8_t* vconn1Enabled);
    aErr setVconn1Enabled(uint8_t vconn1Enabled);

    // VCONN2 enabled.
    aErr getVconn2Enabled(uint8_t* vconn2Enabled);
    aErr setVconn2Enabled(uint8_t vconn2Enabled);

    // State.
    aErr getState(uint32_t* state);

    // Errors.
    aErr getErrors(uint32_t* errors);

    // Current limit.
    aErr getCurrentLimit(uint32_t* currentLimit);
    aErr setCurrentLimit(uint32_t currentLimit);

    // Current limit mode.
    aErr getCurrentLimitMode(uint8_t* currentLimitMode);
    aErr setCurrentLimitMode(uint8_t currentLimitMode);

    // Power limit.
    aErr getPowerLimit(uint32_t* powerLimit);
    aErr setPowerLimit(uint32_t powerLimit);

    // Power limit mode.
    aErr getPowerLimitMode(uint8_t* powerLimitMode);
    aErr setPowerLimitMode(uint8_t powerLimitMode);

    // Available power.
    aErr getAvailablePower(uint32_t* availablePower);

    // Name.
    aErr getName(uint8_t* buffer, uint32_t size, uint32_t* length);
    aErr setName(const uint8_t* bytes, uint32_t count);

    // CC current limit.
    aErr getCCCurrentLimit(uint8_t* ccCurrentLimit);
    aErr setCCCurrentLimit(uint8_t ccCurrentLimit);

    // Power mode.
    aErr getPowerMode(uint8_t* powerMode);
    aErr setPowerMode(uint8_t powerMode);

    // Data role.
    aErr getDataRole(uint8_t* dataRole);

    // Data speed.
    aErr getDataSpeed(uint8_t* dataSpeed);

    // Mode.
    aErr getMode(uint32_t* mode);
    aErr setMode(uint32_t mode);

    // Voltage set point.
    aErr getVoltageSetpoint(uint32_t* voltageSetpoint);
    aErr setVoltageSetpoint(uint32_t voltageSetpoint);

    // Allocated power (signed).
    aErr getAllocatedPower(int32_t* allocatedPower);

    // Data HS routing behavior.
    aErr getDataHSRoutingBehavior(uint8_t* dataHSRoutingBehavior);
    aErr setDataHSRoutingBehavior(uint8_t dataHSRoutingBehavior);

    // Data SS routing behavior.
    aErr getDataSSRoutingBehavior(uint8_t* dataSSRoutingBehavior);
    aErr setDataSSRoutingBehavior(uint8_t dataSSRoutingBehavior);

    // VBUS accumulated power (signed).
    aErr getVbusAccumulatedPower(int32_t* vbusAccumulatedPower);
    aErr setVbusAccumulatedPower(int32_t vbusAccumulatedPower);

    // Sets the VBUS accumulated power back to 0.
    aErr resetVbusAccumulatedPower();

    // VCONN accumulated power (signed).
    aErr getVconnAccumulatedPower(int32_t* vconnAccumulatedPower);
    aErr setVconnAccumulatedPower(int32_t vconnAccumulatedPower);

    // Sets the VCONN accumulated power back to 0.
    aErr resetVconnAccumulatedPower();

    // HS boost.
    aErr getHSBoost(uint8_t* hsBoost);
    aErr setHSBoost(uint8_t hsBoost);

    // CC1 state.
    aErr getCC1State(uint16_t* cc1State);

    // CC2 state.
    aErr getCC2State(uint16_t* cc2State);

    // CC1 voltage (signed).
    aErr getCC1Voltage(int32_t* cc1Voltage);

    // CC1 current (signed).
    aErr getCC1Current(int32_t* cc1Current);

    // CC2 voltage (signed).
    aErr getCC2Voltage(int32_t* cc2Voltage);

    // CC2 current (signed).
    aErr getCC2Current(int32_t* cc2Current);

    // SBU1 voltage (signed).
    aErr getSBU1Voltage(int32_t* sbu1Voltage);

    // SBU2 voltage (signed).
    aErr getSBU2Voltage(int32_t* sbu2Voltage);

    // CC1 accumulated power (signed).
    aErr getCC1AccumulatedPower(int32_t* cc1AccumulatedPower);
    aErr setCC1AccumulatedPower(int32_t cc1AccumulatedPower);

    // CC2 accumulated power (signed).
    aErr getCC2AccumulatedPower(int32_t* cc2AccumulatedPower);
    aErr setCC2AccumulatedPower(int32_t cc2AccumulatedPower);
};

}  // namespace Norvane::Lynkor
