// USBClass: a USB hub's ports: enables, readings, modes and the upstream side.
// Command 18. Every method answers an aErr, as EntityClass describes.
#pragma once

#include <cstdint>

#include "lynkor/EntityClass.h"

namespace Norvane::Lynkor {

class LYNKOR_API USBClass : public EntityClass {
public:
    static constexpr uint8_t kCommand = 18;

    USBClass();
    ~USBClass() override;
    // Binds this object to entity `index` of the module.
    void init(Module* module, uint8_t index);

    // Turns a port on (the port number is the value).
    aErr setPortEnable(uint8_t port);

    // Turns a port off.
    aErr setPortDisable(uint8_t port);

    // Turns a port's data lines on.
    aErr setDataEnable(uint8_t port);

    // Turns a port's data lines off.
    aErr setDataDisable(uint8_t port);

    // Turns a port's power on.
    aErr setPowerEnable(uint8_t port);

    // Turns a port's power off.
    aErr setPowerDisable(uint8_t port);

    // Port current (by port, signed).
    aErr getPortCurrent(uint8_t port, int32_t* portCurrent);

    // Port voltage (by port, signed).
    aErr getPortVoltage(uint8_t port, int32_t* portVoltage);

    // Hub mode.
    aErr getHubMode(uint32_t* hubMode);
    aErr setHubMode(uint32_t hubMode);

    // Clears a port's error status.
    aErr clearPortErrorStatus(uint8_t port);

    // Upstream mode.
    aErr getUpstreamMode(uint8_t* upstreamMode);
    aErr setUpstreamMode(uint8_t upstreamMode);

    // Upstream state.
    aErr getUpstreamState(uint8_t* upstreamState);

    // Enumeration delay.
    aErr getEnumerationDelay(uint32_t* enumerationDelay);
    aErr setEnumerationDelay(uint32_t enumerationDelay);

    // Port current limit (by port).
    aErr getPortCurrentLimit(uint8_t port, uint32_t* portCurrentLimit);
    aErr setPortCurrentLimit(uint8_t port, uint32_t portCurrentLimit);

    // Upstream boost mode.
    aErr getUpstreamBoostMode(uint8_t* upstreamBoostMode);
    aErr setUpstreamBoostMode(uint8_t upstreamBoostMode);

    // Downstream boost mode.
    aErr getDownstreamBoostMode(uint8_t* downstreamBoostMode);
    aErr setDownstreamBoostMode(uint8_t downstreamBoostMode);

    // Port mode (by port).
    aErr getPortMode(uint8_t port, uint32_t* portMode);
    aErr setPortMode(uint8_t port, uint32_t portMode);

    // Turns a port's hi-speed data lines on.
    aErr setHiSpeedDataEnable(uint8_t port);

    // Turns a port's hi-speed data lines off.
    aErr setHiSpeedDataDisable(uint8_t port);

    // Turns a port's SuperSpeed data lines on.
    aErr setSuperSpeedDataEnable(uint8_t port);

    // Turns a port's SuperSpeed data lines off.
    aErr setSuperSpeedDataDisable(uint8_t port);

    // Downstream data speed (by port).
    aErr getDownstreamDataSpeed(uint8_t port, uint8_t* downstreamDataSpeed);

    // Connect mode (by port).
    aErr getConnectMode(uint8_t port, uint8_t* connectMode);
    aErr setConnectMode(uint8_t port, uint8_t connectMode);

    // CC1 enable (by port).
    aErr getCC1Enable(uint8_t port, uint8_t* cc1Enable);
    aErr setCC1Enable(uint8_t port, uint8_t cc1Enable);

    // CC2 enable (by port).
    aErr getCC2Enable(uint8_t port, uint8_t* cc2Enable);
    aErr setCC2Enable(uint8_t port, uint8_t cc2Enable);

    // SBU enable (by port).
    aErr getSBUEnable(uint8_t port, uint8_t* sbuEnable);
    aErr setSBUEnable(uint8_t port, uint8_t sbuEnable);

    // CC1 current (by port, signed).
    aErr getCC1Current(uint8_t port, int32_t* cc1Current);

    // CC2 current (by port, signed).
    aErr getCC2Current(uint8_t port, int32_t* cc2Current);

    // CC1 voltage (by port, signed).
    aErr getCC1Voltage(uint8_t port, int32_t* cc1Voltage);

    // CC2 voltage (by port, signed).
    aErr getCC2Voltage(uint8_t port, int32_t* cc2Voltage);

    // Port state (by port).
    aErr getPortState(uint8_t port, uint32_t* portState);

    // Port error (by port).
    aErr getPortError(uint8_t port, uint32_t* portError);

    // Cable flip (by port).
    aErr getCableFlip(uint8_t port, uint8_t* cableFlip);
    aErr setCableFlip(uint8_t port, uint8_t cableFlip);

    // Alt mode config (by port).
    aErr getAltModeConfig(uint8_t port, uint32_t* altModeConfig);
    aErr setAltModeConfig(uint8_t port, uint32_t altModeConfig);

    // SBU1 voltage (by port, signed).
    aErr getSBU1Voltage(uint8_t port, int32_t* sbu1Voltage);

    // SBU2 voltage (by port, signed).
    aErr getSBU2Voltage(uint8_t port, int32_t* sbu2Voltage);
};

}  // namespace Norvane::Lynkor
