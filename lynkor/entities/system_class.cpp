#include "lynkor/entities/SystemClass.h"

#include "entities/entity_shapes.h"

namespace Norvane::Lynkor {

namespace {

using namespace lynkor::entities;

enum Option : uint8_t {
    kModule = 1,
    kRouter = 2,
    kHBInterval = 3,
    kLED = 4,
    kBootSlot = 6,
    kVersion = 7,
    kModel = 8,
    kSerialNumber = 9,
    kSave = 10,
    kReset = 11,
    kInputVoltage = 12,
    kModuleHardwareOffset = 13,
    kModuleBaseAddress = 14,
    kModuleSoftwareOffset = 15,
    kRouterAddressSetting = 16,
    kRouteToMe = 20,
    kInputCurrent = 21,
    kUptime = 22,
    kMaximumTemperature = 23,
    kLogEvents = 24,
    kUnregulatedVoltage = 25,
    kUnregulatedCurrent = 26,
    kTemperature = 27,
    kMinimumTemperature = 28,
    kInputPowerSource = 29,
    kInputPowerBehavior = 30,
    kInputPowerBehaviorConfig = 31,
    kName = 32,
    kPowerLimit = 33,
    kPowerLimitMax = 34,
    kPowerLimitState = 35,
    kResetDeviceToFactoryDefaults = 37,
    kLinkInterface = 38,
    kHardwareVersion = 40,
    kErrors = 41,
    kLEDMaxBrightness = 42,
    kBuild = 43,
    kProtocolFeatures = 45,
};

}  // namespace

SystemClass::SystemClass() = default;

SystemClass::~SystemClass() = default;

void SystemClass::init(Module* module, uint8_t index) {
    EntityClass::init(module, kCommand, index);
}

aErr SystemClass::getModule(uint8_t* module) {
    return getUEI8(kModule, module);
}

aErr SystemClass::getRouter(uint8_t* router) {
    return getUEI8(kRouter, router);
}

aErr SystemClass::setRouter(uint8_t router) {
    return setUEI8(kRouter, router);
}

aErr SystemClass::getHBInterval(uint8_t* hbInterval) {
    return getUEI8(kHBInterval, hbInterval);
}

aErr SystemClass::setHBInterval(uint8_t hbInterval) {
    return setUEI8(kHBInterval, hbInterval);
}

aErr SystemClass::getLED(uint8_t* led) {
    return getUEI8(kLED, led);
}

aErr SystemClass::setLED(uint8_t led) {
    return setUEI8(kLED, led);
}

aErr SystemClass::getBootSlot(uint8_t* bootSlot) {
    return getUEI8(kBootSlot, bootSlot);
}

aErr SystemClass::setBootSlot(uint8_t bootSlot) {
    return setUEI8(kBootSlot, bootSlot);
}

aErr SystemClass::getVersion(uint32_t* version) {
    return getUEI32(kVersion, version);
}

aErr SystemClass::getModel(uint8_t* model) {
    return getUEI8(kModel, model);
}

aErr SystemClass::getSerialNumber(uint32_t* serialNumber) {
    return getUEI32(kSerialNumber, serialNumber);
}

aErr SystemClass::save() {
    return callUEI(kSave);
}

aErr SystemClass::reset() {
    return callUEI(kReset);
}

aErr SystemClass::getInputVoltage(uint32_t* inputVoltage) {
    return getUEI32(kInputVoltage, inputVoltage);
}

aErr SystemClass::getModuleHardwareOffset(uint8_t* moduleHardwareOffset) {
    return getUEI8(kModuleHardwareOffset, moduleHardwareOffset);
}

aErr SystemClass::getModuleBaseAddress(uint8_t* moduleBaseAddress) {
    return getUEI8(kModuleBaseAddress, moduleBaseAddress);
}

aErr SystemClass::getModuleSoftwareOffset(uint8_t* moduleSoftwareOffset) {
    return getUEI8(kModuleSoftwareOffset, moduleSoftwareOffset);
}

aErr SystemClass::setModuleSoftwareOffset(uint8_t moduleSoftwareOffset) {
    return setUEI8(kModuleSoftwareOffset, moduleSoftwareOffset);
}

aErr SystemClass::getRouterAddressSetting(uint8_t* routerAddressSetting) {
    return getUEI8(kRouterAddressSetting, routerAddressSetting);
}

aErr SystemClass::routeToMe(uint8_t enable) {
    return setUEI8(kRouteToMe, enable);
}

aErr SystemClass::getInputCurrent(uint32_t* inputCurrent) {
    return getUEI32(kInputCurrent, inputCurrent);
}

aErr SystemClass::getUptime(uint32_t* uptime) {
    return getUEI32(kUptime, uptime);
}

aErr SystemClass::getMaximumTemperature(int32_t* maximumTemperature) {
    return getSigned(*this, kMaximumTemperature, maximumTemperature);
}

aErr SystemClass::logEvents() {
    return callUEI(kLogEvents);
}

aErr SystemClass::getUnregulatedVoltage(int32_t* unregulatedVoltage) {
    return getSigned(*this, kUnregulatedVoltage, unregulatedVoltage);
}

aErr SystemClass::getUnregulatedCurrent(int32_t* unregulatedCurrent) {
    return getSigned(*this, kUnregulatedCurrent, unregulatedCurrent);
}

aErr SystemClass::getTemperature(int32_t* temperature) {
    return getSigned(*this, kTemperature, temperature);
}

aErr SystemClass::getMinimumTemperature(int32_t* minimumTemperature) {
    return getSigned(*this, kMinimumTemperature, minimumTemperature);
}

aErr SystemClass::getInputPowerSource(uint8_t* inputPowerSource) {
    return getUEI8(kInputPowerSource, inputPowerSource);
}

aErr SystemClass::getInputPowerBehavior(uint8_t* inputPowerBehavior) {
    return getUEI8(kInputPowerBehavior, inputPowerBehavior);
}

aErr SystemClass::setInputPowerBehavior(uint8_t inputPowerBehavior) {
    return setUEI8(kInputPowerBehavior, inputPowerBehavior);
}

aErr SystemClass::getInputPowerBehaviorConfig(uint32_t* values, uint32_t capacity,
                                              uint32_t* count) {
    return getList(*this, kInputPowerBehaviorConfig, values, capacity, count);
}

aErr SystemClass::setInputPowerBehaviorConfig(const uint32_t* values, uint32_t count) {
    return setList(*this, kInputPowerBehaviorConfig, values, count);
}

aErr SystemClass::getName(uint8_t* buffer, uint32_t size, uint32_t* length) {
    return getBytes(*this, kName, buffer, size, length);
}

aErr SystemClass::setName(const uint8_t* bytes, uint32_t count) {
    return setBytes(*this, kName, bytes, count);
}

aErr SystemClass::getPowerLimit(uint32_t* powerLimit) {
    return getUEI32(kPowerLimit, powerLimit);
}

aErr SystemClass::getPowerLimitMax(uint32_t* powerLimitMax) {
    return getUEI32(kPowerLimitMax, powerLimitMax);
}

aErr SystemClass::setPowerLimitMax(uint32_t powerLimitMax) {
    return setUEI32(kPowerLimitMax, powerLimitMax);
}

aErr SystemClass::getPowerLimitState(uint32_t* powerLimitState) {
    return getUEI32(kPowerLimitState, powerLimitState);
}

aErr SystemClass::resetDeviceToFactoryDefaults() {
    return callUEI(kResetDeviceToFactoryDefaults);
}

aErr SystemClass::getLinkInterface(uint8_t* linkInterface) {
    return getUEI8(kLinkInterface, linkInterface);
}

aErr SystemClass::setLinkInterface(uint8_t linkInterface) {
    return setUEI8(kLinkInterface, linkInterface);
}

aErr SystemClass::getHardwareVersion(uint32_t* hardwareVersion) {
    return getUEI32(kHardwareVersion, hardwareVersion);
}

aErr SystemClass::getErrors(uint32_t* errors) {
    return getUEI32(kErrors, errors);
}

aErr SystemClass::getLEDMaxBrightness(uint8_t* ledMaxBrightness) {
    return getUEI8(kLEDMaxBrightness, ledMaxBrightness);
}

aErr SystemClass::setLEDMaxBrightness(uint8_t ledMaxBrightness) {
    return setUEI8(kLEDMaxBrightness, ledMaxBrightness);
}

aErr SystemClass::getBuild(uint32_t* build) {
    return getUEI32(kBuild, build);
}

aErr SystemClass::getProtocolFeatures(uint32_t* protocolFeatures) {
    return getUEI32(kProtocolFeatures, protocolFeatures);
}

}  // namespace Norvane::Lynkor
