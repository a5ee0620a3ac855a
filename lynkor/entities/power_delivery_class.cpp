#include "lynkor/entities/PowerDeliveryClass.h"

#include "entities/entity_shapes.h"

namespace Norvane::Lynkor {

namespace {

using namespace lynkor::entities;

enum Option : uint8_t {
    kPowerDataObject = 1,
    kPowerDataObjectList = 2,
    kPowerDataObjectEnabled = 3,
    kPowerDataObjectEnabledList = 4,
    kNumberOfPowerDataObjects = 5,
    kRequestDataObject = 6,
    kConnectionState = 7,
    kLinkState = 8,
    kAttachTimeElapsed = 9,
    kResetPowerDataObjectToDefault = 15,
    kCableVoltageMax = 16,
    kCableCurrentMax = 17,
    kCableSpeedMax = 18,
    kCableType = 19,
    kCableOrientation = 20,
    kPowerRoleCapabilities = 21,
    kPowerRole = 22,
    kPowerRolePreferred = 23,
    kPeakCurrentConfiguration = 24,
    kFastRoleSwapCurrent = 25,
    kDataRoleCapabilities = 26,
    kOverride = 41,
    kRequest = 42,
    kRequestStatus = 43,
    kFlagMode = 44,
};

constexpr uint8_t kRoleBit = 0x80;
constexpr uint8_t kSideBit = 0x40;
constexpr uint8_t kIndexMask = 0x3F;
constexpr uint8_t kRoleOne = 1;
constexpr uint8_t kRoleTwo = 2;
constexpr uint8_t kSideMax = 1;
// Setters and most getters address the objects of side 0.
constexpr uint8_t kLocalSide = 0;

// Runs `use` with the attribute byte of (side, role, index), or answers why there is none.
template <typename Use>
aErr s_withAttributes(uint8_t side, uint8_t role, uint8_t index, Use use) {
    uint8_t attributes = 0;
    const aErr result =
        PowerDeliveryClass::packDataObjectAttributes(&attributes, side, role, index);
    return result == aErrNone ? use(attributes) : result;
}

}  // namespace

PowerDeliveryClass::PowerDeliveryClass() = default;

PowerDeliveryClass::~PowerDeliveryClass() = default;

void PowerDeliveryClass::init(Module* module, uint8_t index) {
    EntityClass::init(module, kCommand, index);
}

aErr PowerDeliveryClass::getPowerDataObjectList(uint32_t* values, uint32_t capacity,
                                                uint32_t* count) {
    return getList(*this, kPowerDataObjectList, values, capacity, count);
}

aErr PowerDeliveryClass::getPowerDataObjectEnabledList(uint8_t subindex,
                                                       uint8_t* powerDataObjectEnabledList) {
    return getUEI8(kPowerDataObjectEnabledList, subindex, powerDataObjectEnabledList);
}

aErr PowerDeliveryClass::setRequestDataObject(uint8_t subindex, uint32_t requestDataObject) {
    return setUEI32(kRequestDataObject, subindex, requestDataObject);
}

aErr PowerDeliveryClass::getConnectionState(uint8_t* connectionState) {
    return getUEI8(kConnectionState, connectionState);
}

aErr PowerDeliveryClass::getLinkState(uint32_t* linkState) {
    return getUEI32(kLinkState, linkState);
}

aErr PowerDeliveryClass::getAttachTimeElapsed(uint32_t* values, uint32_t capacity,
                                              uint32_t* count) {
    return getList(*this, kAttachTimeElapsed, values, capacity, count);
}

aErr PowerDeliveryClass::getCableVoltageMax(uint8_t* cableVoltageMax) {
    return getUEI8(kCableVoltageMax, cableVoltageMax);
}

aErr PowerDeliveryClass::getCableCurrentMax(uint8_t* cableCurrentMax) {
    return getUEI8(kCableCurrentMax, cableCurrentMax);
}

aErr PowerDeliveryClass::getCableSpeedMax(uint8_t* cableSpeedMax) {
    return getUEI8(kCableSpeedMax, cableSpeedMax);
}

aErr PowerDeliveryClass::getCableType(uint8_t* cableType) {
    return getUEI8(kCableType, cableType);
}

aErr PowerDeliveryClass::getCableOrientation(uint8_t* cableOrientation) {
    return getUEI8(kCableOrientation, cableOrientation);
}

aErr PowerDeliveryClass::getPowerRoleCapabilities(uint8_t* powerRoleCapabilities) {
    return getUEI8(kPowerRoleCapabilities, powerRoleCapabilities);
}

aErr PowerDeliveryClass::getPowerRole(uint8_t* powerRole) {
    return getUEI8(kPowerRole, powerRole);
}

aErr PowerDeliveryClass::setPowerRole(uint8_t powerRole) {
    return setUEI8(kPowerRole, powerRole);
}

aErr PowerDeliveryClass::getPowerRolePreferred(uint8_t* powerRolePreferred) {
    return getUEI8(kPowerRolePreferred, powerRolePreferred);
}

aErr PowerDeliveryClass::setPowerRolePreferred(uint8_t powerRolePreferred) {
    return setUEI8(kPowerRolePreferred, powerRolePreferred);
}

aErr PowerDeliveryClass::getPeakCurrentConfiguration(uint8_t* peakCurrentConfiguration) {
    return getUEI8(kPeakCurrentConfiguration, peakCurrentConfiguration);
}

aErr PowerDeliveryClass::setPeakCurrentConfiguration(uint8_t peakCurrentConfiguration) {
    return setUEI8(kPeakCurrentConfiguration, peakCurrentConfiguration);
}

aErr PowerDeliveryClass::getFastRoleSwapCurrent(uint8_t* fastRoleSwapCurrent) {
    return getUEI8(kFastRoleSwapCurrent, fastRoleSwapCurrent);
}

aErr PowerDeliveryClass::setFastRoleSwapCurrent(uint8_t fastRoleSwapCurrent) {
    return setUEI8(kFastRoleSwapCurrent, fastRoleSwapCurrent);
}

aErr PowerDeliveryClass::getDataRoleCapabilities(uint8_t* dataRoleCapabilities) {
    return getUEI8(kDataRoleCapabilities, dataRoleCapabilities);
}

aErr PowerDeliveryClass::getOverride(uint32_t* override) {
    return getUEI32(kOverride, override);
}

aErr PowerDeliveryClass::setOverride(uint32_t override) {
    return setUEI32(kOverride, override);
}

aErr PowerDeliveryClass::request(uint8_t action) {
    return setUEI8(kRequest, action);
}

aErr PowerDeliveryClass::requestStatus(uint32_t* requestStatus) {
    return getUEI32(kRequestStatus, requestStatus);
}

aErr PowerDeliveryClass::getFlagMode(uint8_t subindex, uint8_t* flagMode) {
    return getUEI8(kFlagMode, subindex, flagMode);
}

aErr PowerDeliveryClass::setFlagMode(uint8_t subindex, uint8_t flagMode) {
    return setUEI8(kFlagMode, subindex, flagMode);
}

aErr PowerDeliveryClass::getPowerDataObject(uint8_t side, uint8_t role, uint8_t index,
                                            uint32_t* value) {
    return s_withAttributes(side, role, index, [&](uint8_t object) {
        return getUEI32(kPowerDataObject, object, value);
    });
}

aErr PowerDeliveryClass::setPowerDataObject(uint8_t role, uint8_t index, uint32_t value) {
    return s_withAttributes(kLocalSide, role, index, [&](uint8_t object) {
        return setUEI32(kPowerDataObject, object, value);
    });
}

aErr PowerDeliveryClass::getPowerDataObjectEnabled(uint8_t role, uint8_t index, uint8_t* enabled) {
    return s_withAttributes(kLocalSide, role, index, [&](uint8_t object) {
        return getUEI8(kPowerDataObjectEnabled, object, enabled);
    });
}

aErr PowerDeliveryClass::setPowerDataObjectEnabled(uint8_t role, uint8_t index, uint8_t enabled) {
    return s_withAttributes(kLocalSide, role, index, [&](uint8_t object) {
        return setUEI8(kPowerDataObjectEnabled, object, enabled);
    });
}

aErr PowerDeliveryClass::getNumberOfPowerDataObjects(uint8_t side, uint8_t role, uint8_t* count) {
    return s_withAttributes(side, role, 0, [&](uint8_t object) {
        return getUEI8(kNumberOfPowerDataObjects, object, count);
    });
}

aErr PowerDeliveryClass::getRequestDataObject(uint8_t side, uint32_t* value) {
    if (side > kSideMax) {
        return aErrParam;
    }
    return getUEI32(kRequestDataObject, static_cast<uint8_t>(kRoleBit | (side != 0 ? kSideBit : 0)),
                    value);
}

aErr PowerDeliveryClass::resetPowerDataObjectToDefault(uint8_t role, uint8_t index) {
    return s_withAttributes(kLocalSide, role, index, [&](uint8_t object) {
        return setUEI8(kResetPowerDataObjectToDefault, object);
    });
}

aErr PowerDeliveryClass::packDataObjectAttributes(uint8_t* attributes, uint8_t side, uint8_t role,
                                                  uint8_t index) {
    if (attributes == nullptr || (role != kRoleOne && role != kRoleTwo) || side > kSideMax ||
        index > kIndexMask) {
        return aErrParam;
    }
    *attributes = static_cast<uint8_t>((role == kRoleTwo ? kRoleBit : 0) |
                                       (side != 0 ? kSideBit : 0) | index);
    return aErrNone;
}

aErr PowerDeliveryClass::unpackDataObjectAttributes(uint8_t attributes, uint8_t* side,
                                                    uint8_t* role, uint8_t* index) {
    if (side == nullptr || role == nullptr || index == nullptr) {
        return aErrParam;
    }
    *side = (attributes & kSideBit) != 0 ? 1 : 0;
    *role = (attributes & kRoleBit) != 0 ? kRoleTwo : kRoleOne;
    *index = attributes & kIndexMask;
    return aErrNone;
}

}  // namespace Norvane::Lynkor
