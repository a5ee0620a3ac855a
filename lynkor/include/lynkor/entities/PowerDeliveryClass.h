// PowerDeliveryClass: a USB power-delivery port: its power data objects, the request it made, the
// cable, and its power and data roles. Command 36. Every method answers an aErr, as EntityClass
// describes.
#pragma once

#include <cstdint>

#include "lynkor/EntityClass.h"

namespace Norvane::Lynkor {

class LYNKOR_API PowerDeliveryClass : public EntityClass {
public:
    static constexpr uint8_t kCommand = 36;

    PowerDeliveryClass();
    ~PowerDeliveryClass() override;
    // Binds this object to entity `index` of the module.
    void init(Module* module, uint8_t index);

    // Power data object list (32-bit values).
    aErr getPowerDataObjectList(uint32_t* values, uint32_t capacity, uint32_t* count);

    // Power data object enabled list (by subindex).
    aErr getPowerDataObjectEnabledList(uint8_t subindex, uint8_t* powerDataObjectEnabledList);

    // Request data object (by subindex).
    aErr setRequestDataObject(uint8_t subindex, uint32_t requestDataObject);

    // Connection state.
    aErr getConnectionState(uint8_t* connectionState);

    // Link state.
    aErr getLinkState(uint32_t* linkState);

    // Attach time elapsed (32-bit values).
    aErr getAttachTimeElapsed(uint32_t* values, uint32_t capacity, uint32_t* count);

    // Cable voltage max.
    aErr getCableVoltageMax(uint8_t* cableVoltageMax);

    // Cable current max.
    aErr getCableCurrentMax(uint8_t* cableCurrentMax);

    // Cable speed max.
    aErr getCableSpeedMax(uint8_t* cableSpeedMax);

    // Cable type.
    aErr getCableType(uint8_t* cableType);

    // Cable orientation.
    aErr getCableOrientation(uint8_t* cableOrientation);

    // Power role capabilities.
    aErr getPowerRoleCapabilities(uint8_t* powerRoleCapabilities);

    // Power role.
    aErr getPowerRole(uint8_t* powerRole);
    aErr setPowerRole(uint8_t powerRole);

    // Power role preferred.
    aErr getPowerRolePreferred(uint8_t* powerRolePreferred);
    aErr setPowerRolePreferred(uint8_t powerRolePreferred);

    // Peak current configuration.
    aErr getPeakCurrentConfiguration(uint8_t* peakCurrentConfiguration);
    aErr setPeakCurrentConfiguration(uint8_t peakCurrentConfiguration);

    // Fast role swap current.
    aErr getFastRoleSwapCurrent(uint8_t* fastRoleSwapCurrent);
    aErr setFastRoleSwapCurrent(uint8_t fastRoleSwapCurrent);

    // Data role capabilities.
    aErr getDataRoleCapabilities(uint8_t* dataRoleCapabilities);

    // Override.
    aErr getOverride(uint32_t* override);
    aErr setOverride(uint32_t override);

    // Asks the port to carry out a power-delivery request.
    aErr request(uint8_t action);

    // The status of the last request.
    aErr requestStatus(uint32_t* requestStatus);

    // Flag mode (by subindex).
    aErr getFlagMode(uint8_t subindex, uint8_t* flagMode);
    aErr setFlagMode(uint8_t subindex, uint8_t flagMode);

    // Power data object `index` of a role (1 or 2) on a side (0 or 1), and of side 0.
    aErr getPowerDataObject(uint8_t side, uint8_t role, uint8_t index, uint32_t* value);
    aErr setPowerDataObject(uint8_t role, uint8_t index, uint32_t value);

    // Whether power data object `index` of a role on side 0 is enabled.
    aErr getPowerDataObjectEnabled(uint8_t role, uint8_t index, uint8_t* enabled);
    aErr setPowerDataObjectEnabled(uint8_t role, uint8_t index, uint8_t enabled);

    // How many power data objects a role has on a side.
    aErr getNumberOfPowerDataObjects(uint8_t side, uint8_t role, uint8_t* count);

    // The request data object of a side (0 or 1).
    aErr getRequestDataObject(uint8_t side, uint32_t* value);

    // Puts power data object `index` of a role on side 0 back to its default.
    aErr resetPowerDataObjectToDefault(uint8_t role, uint8_t index);

    // The attribute byte that names a data object: bit 7 set for role 2 (clear for role 1),
    // bit 6 the side, bits 0-5 the index. aErrParam for a role other than 1 or 2, a side above
    // 1 or an index above 63, and for null pointers.
    static aErr packDataObjectAttributes(uint8_t* attributes, uint8_t side, uint8_t role,
                                         uint8_t index);
    static aErr unpackDataObjectAttributes(uint8_t attributes, uint8_t* side, uint8_t* role,
                                           uint8_t* index);
};

}  // namespace Norvane::Lynkor
