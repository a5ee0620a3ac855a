// USBSystemClass: the USB side of a hub or switch as a whole: the upstream choice, per-port lists
// and behaviours. Command 38. Every method answers an aErr, as EntityClass describes.
#pragma once

#include <cstdint>

#include "lynkor/EntityClass.h"

namespace Norvane::Lynkor {

class LYNKOR_API USBSystemClass : public EntityClass {
public:
    static constexpr uint8_t kCommand = 38;

    USBSystemClass();
    ~USBSystemClass() override;
    // Binds this object to entity `index` of the module.
    void init(Module* module, uint8_t index);

    // Upstream.
    aErr getUpstream(uint8_t* upstream);
    aErr setUpstream(uint8_t upstream);

    // Enumeration delay.
    aErr getEnumerationDelay(uint32_t* enumerationDelay);
    aErr setEnumerationDelay(uint32_t enumerationDelay);

    // Data role list.
    aErr getDataRoleList(uint32_t* dataRoleList);

    // Enabled list.
    aErr getEnabledList(uint32_t* enabledList);
    aErr setEnabledList(uint32_t enabledList);

    // Mode list (32-bit values).
    aErr getModeList(uint32_t* values, uint32_t capacity, uint32_t* count);
    aErr setModeList(const uint32_t* values, uint32_t count);

    // State list (32-bit values).
    aErr getStateList(uint32_t* values, uint32_t capacity, uint32_t* count);

    // Power behavior.
    aErr getPowerBehavior(uint8_t* powerBehavior);
    aErr setPowerBehavior(uint8_t powerBehavior);

    // Power behavior config (32-bit values).
    aErr getPowerBehaviorConfig(uint32_t* values, uint32_t capacity, uint32_t* count);
    aErr setPowerBehaviorConfig(const uint32_t* values, uint32_t count);

    // Data role behavior.
    aErr getDataRoleBehavior(uint8_t* dataRoleBehavior);
    aErr setDataRoleBehavior(uint8_t dataRoleBehavior);

    // Data role behavior config (32-bit values).
    aErr getDataRoleBehaviorConfig(uint32_t* values, uint32_t capacity, uint32_t* count);
    aErr setDataRoleBehaviorConfig(const uint32_t* values, uint32_t count);

    // Selector mode.
    aErr getSelectorMode(uint8_t* selectorMode);
    aErr setSelectorMode(uint8_t selectorMode);

    // Override.
    aErr getOverride(uint32_t* override);
    aErr setOverride(uint32_t override);

    // Upstream HS.
    aErr getUpstreamHS(uint8_t* upstreamHS);
    aErr setUpstreamHS(uint8_t upstreamHS);

    // Upstream SS.
    aErr getUpstreamSS(uint8_t* upstreamSS);
    aErr setUpstreamSS(uint8_t upstreamSS);

    // Data HS max datarate.
    aErr getDataHSMaxDatarate(uint32_t* dataHSMaxDatarate);
    aErr setDataHSMaxDatarate(uint32_t dataHSMaxDatarate);

    // Data SS max datarate.
    aErr getDataSSMaxDatarate(uint32_t* dataSSMaxDatarate);
    aErr setDataSSMaxDatarate(uint32_t dataSSMaxDatarate);
};

}  // namespace Norvane::Lynkor
