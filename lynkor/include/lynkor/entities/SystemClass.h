// SystemClass: the device itself: its address and router, identity, supply readings, name and
// settings. Command 3. Every method answers an aErr, as EntityClass describes.
#pragma once

#include <cstdint>

#include "lynkor/EntityClass.h"

namespace Norvane::Lynkor {

class LYNKOR_API SystemClass : public EntityClass {
public:
    static constexpr uint8_t kCommand = 3;

    SystemClass();
    ~SystemClass() override;
    // Binds this object to entity `index` of the module.
    void init(Module* module, uint8_t index);

    // The module address the device answers to.
    aErr getModule(uint8_t* module);

    // The module address of the router the device reaches the host through.
    aErr getRouter(uint8_t* router);
    aErr setRouter(uint8_t router);

    // Heartbeat interval.
    aErr getHBInterval(uint8_t* hbInterval);
    aErr setHBInterval(uint8_t hbInterval);

    // The LED state.
    aErr getLED(uint8_t* led);
    aErr setLED(uint8_t led);

    // The store slot the device boots from.
    aErr getBootSlot(uint8_t* bootSlot);
    aErr setBootSlot(uint8_t bootSlot);

    // The packed firmware version.
    aErr getVersion(uint32_t* version);

    // The model number.
    aErr getModel(uint8_t* model);

    // The serial number.
    aErr getSerialNumber(uint32_t* serialNumber);

    // Saves the settings, so that they survive a restart.
    aErr save();

    // Restarts the device.
    aErr reset();

    // Input voltage.
    aErr getInputVoltage(uint32_t* inputVoltage);

    // Module hardware offset.
    aErr getModuleHardwareOffset(uint8_t* moduleHardwareOffset);

    // Module base address.
    aErr getModuleBaseAddress(uint8_t* moduleBaseAddress);

    // Module software offset.
    aErr getModuleSoftwareOffset(uint8_t* moduleSoftwareOffset);
    aErr setModuleSoftwareOffset(uint8_t moduleSoftwareOffset);

    // Router address setting.
    aErr getRouterAddressSetting(uint8_t* routerAddressSetting);

    // Makes this device (1) or no longer (0) the route to the devices behind it.
    aErr routeToMe(uint8_t enable);

    // Input current.
    aErr getInputCurrent(uint32_t* inputCurrent);

    // Uptime.
    aErr getUptime(uint32_t* uptime);

    // Maximum temperature (signed).
    aErr getMaximumTemperature(int32_t* maximumTemperature);

    // Writes the device's event log.
    aErr logEvents();

    // Unregulated voltage (signed).
    aErr getUnregulatedVoltage(int32_t* unregulatedVoltage);

    // Unregulated current (signed).
    aErr getUnregulatedCurrent(int32_t* unregulatedCurrent);

    // Temperature (signed).
    aErr getTemperature(int32_t* temperature);

    // Minimum temperature (signed).
    aErr getMinimumTemperature(int32_t* minimumTemperature);

    // Input power source.
    aErr getInputPowerSource(uint8_t* inputPowerSource);

    // Input power behavior.
    aErr getInputPowerBehavior(uint8_t* inputPowerBehavior);
    aErr setInputPowerBehavior(uint8_t inputPowerBehavior);

    // Input power behaviour configuration (32-bit values).
    aErr getInputPowerBehaviorConfig(uint32_t* values, uint32_t capacity, uint32_t* count);
    aErr setInputPowerBehaviorConfig(const uint32_t* values, uint32_t count);

    // The device name.
    aErr getName(uint8_t* buffer, uint32_t size, uint32_t* length);
    aErr setName(const uint8_t* bytes, uint32_t count);

    // Power limit.
    aErr getPowerLimit(uint32_t* powerLimit);

    // Power limit max.
    aErr getPowerLimitMax(uint32_t* powerLimitMax);
    aErr setPowerLimitMax(uint32_t powerLimitMax);

    // Power limit state.
    aErr getPowerLimitState(uint32_t* powerLimitState);

    // Puts every setting of the device back to its factory default.
    aErr resetDeviceToFactoryDefaults();

    // Link interface.
    aErr getLinkInterface(uint8_t* linkInterface);
    aErr setLinkInterface(uint8_t linkInterface);

    // Hardware version.
    aErr getHardwareVersion(uint32_t* hardwareVersion);

    // Errors.
    aErr getErrors(uint32_t* errors);

    // The LEDs' maximum brightness.
    aErr getLEDMaxBrightness(uint8_t* ledMaxBrightness);
    aErr setLEDMaxBrightness(uint8_t ledMaxBrightness);

    // The firmware build number.
    aErr getBuild(uint32_t* build);

    // The protocol features the firmware offers, as bits.
    aErr getProtocolFeatures(uint32_t* protocolFeatures);
};

}  // namespace Norvane::Lynkor
