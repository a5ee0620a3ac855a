#include "lynkor/entities/USBSystemClass.h"

#include "entities/entity_shapes.h"

namespace Norvane::Lynkor {

namespace {

using namespace lynkor::entities;

enum Option : uint8_t {
    kUpstream = 2,
    kEnumerationDelay = 3,
    kDataRoleList = 4,
    kEnabledList = 5,
    kModeList = 6,
    kStateList = 7,
    kPowerBehavior = 8,
    kPowerBehaviorConfig = 9,
    kDataRoleBehavior = 10,
    kDataRoleBehaviorConfig = 11,
    kSelectorMode = 12,
    kOverride = 14,
    kUpstreamHS = 15,
    kUpstreamSS = 16,
    kDataHSMaxDatarate = 17,
    kDataSSMaxDatarate = 18,
};

}  // namespace

USBSystemClass::USBSystemClass() = default;

USBSystemClass::~USBSystemClass() = default;

void USBSystemClass::init(Module* module, uint8_t index) {
    EntityClass::init(module, kCommand, index);
}

aErr USBSystemClass::getUpstream(uint8_t* upstream) {
    return getUEI8(kUpstream, upstream);
}

aErr USBSystemClass::setUpstream(uint8_t upstream) {
    return setUEI8(kUpstream, upstream);
}

aErr USBSystemClass::getEnumerationDelay(uint32_t* enumerationDelay) {
    return getUEI32(kEnumerationDelay, enumerationDelay);
}

aErr USBSystemClass::setEnumerationDelay(uint32_t enumerationDelay) {
    return setUEI32(kEnumerationDelay, enumerationDelay);
}

aErr USBSystemClass::getDataRoleList(uint32_t* dataRoleList) {
    return getUEI32(kDataRoleList, dataRoleList);
}

aErr USBSystemClass::getEnabledList(uint32_t* enabledList) {
    return getUEI32(kEnabledList, enabledList);
}

aErr USBSystemClass::setEnabledList(uint32_t enabledList) {
    return setUEI32(kEnabledList, enabledList);
}

aErr USBSystemClass::getModeList(uint32_t* values, uint32_t capacity, uint32_t* count) {
    return getList(*this, kModeList, values, capacity, count);
}

aErr USBSystemClass::setModeList(const uint32_t* values, uint32_t count) {
    return setList(*this, kModeList, values, count);
}

aErr USBSystemClass::getStateList(uint32_t* values, uint32_t capacity, uint32_t* count) {
    return getList(*this, kStateList, values, capacity, count);
}

aErr USBSystemClass::getPowerBehavior(uint8_t* powerBehavior) {
    return getUEI8(kPowerBehavior, powerBehavior);
}

aErr USBSystemClass::setPowerBehavior(uint8_t powerBehavior) {
    return setUEI8(kPowerBehavior, powerBehavior);
}

aErr USBSystemClass::getPowerBehaviorConfig(uint32_t* values, uint32_t capacity, uint32_t* count) {
    return getList(*this, kPowerBehaviorConfig, values, capacity, count);
}

aErr USBSystemClass::setPowerBehaviorConfig(const uint32_t* values, uint32_t count) {
    return setList(*this, kPowerBehaviorConfig, values, count);
}

aErr USBSystemClass::getDataRoleBehavior(uint8_t* dataRoleBehavior) {
    return getUEI8(kDataRoleBehavior, dataRoleBehavior);
}

aErr USBSystemClass::setDataRoleBehavior(uint8_t dataRoleBehavior) {
    return setUEI8(kDataRoleBehavior, dataRoleBehavior);
}

aErr USBSystemClass::getDataRoleBehaviorConfig(uint32_t* values, uint32_t capacity,
                                               uint32_t* count) {
    return getList(*this, kDataRoleBehaviorConfig, values, capacity, count);
}

aErr USBSystemClass::setDataRoleBehaviorConfig(const uint32_t* values, uint32_t count) {
    return setList(*this, kDataRoleBehaviorConfig, values, count);
}

aErr USBSystemClass::getSelectorMode(uint8_t* selectorMode) {
    return getUEI8(kSelectorMode, selectorMode);
}

aErr USBSystemClass::setSelectorMode(uint8_t selectorMode) {
    return setUEI8(kSelectorMode, selectorMode);
}

aErr USBSystemClass::getOverride(uint32_t* override) {
    return getUEI32(kOverride, override);
}

aErr USBSystemClass::setOverride(uint32_t override) {
    return setUEI32(kOverride, override);
}

aErr USBSystemClass::getUpstreamHS(uint8_t* upstreamHS) {
    return getUEI8(kUpstreamHS, upstreamHS);
}

aErr USBSystemClass::setUpstreamHS(uint8_t upstreamHS) {
    return setUEI8(kUpstreamHS, upstreamHS);
}

aErr USBSystemClass::getUpstreamSS(uint8_t* upstreamSS) {
    return getUEI8(kUpstreamSS, upstreamSS);
}

aErr USBSystemClass::setUpstreamSS(uint8_t upstreamSS) {
    return setUEI8(kUpstreamSS, upstreamSS);
}

aErr USBSystemClass::getDataHSMaxDatarate(uint32_t* dataHSMaxDatarate) {
    return getUEI32(kDataHSMaxDatarate, dataHSMaxDatarate);
}

aErr USBSystemClass::setDataHSMaxDatarate(uint32_t dataHSMaxDatarate) {
    return setUEI32(kDataHSMaxDatarate, dataHSMaxDatarate);
}

aErr USBSystemClass::getDataSSMaxDatarate(uint32_t* dataSSMaxDatarate) {
    return getUEI32(kDataSSMaxDatarate, dataSSMaxDatarate);
}

aErr USBSystemClass::setDataSSMaxDatarate(uint32_t dataSSMaxDatarate) {
    return setUEI32(kDataSSMaxDatarate, dataSSMaxDatarate);
}

}  // namespace Norvane::Lynkor
