// cmdSTORE (92), a UEI entity at index 0: a 32-bit set whose value is (command << 8) | index
// saves that entity's values (option 0), puts back its defaults (option 1) or loads what was
// saved (option 2). An unknown entity is refused with kErrInvalidEntity, a load with nothing
// saved with kErrNotFound.
#pragma once

#include <map>
#include <utility>

#include "device.h"

namespace sim {

class EntityStore {
public:
    explicit EntityStore(Device& device);
    EntityStore(const EntityStore&) = delete;
    EntityStore& operator=(const EntityStore&) = delete;

    // Takes the values that a reset puts back; call once every default entity exists.
    void rememberDefaults();

private:
    using Values = std::map<PropertyKey, Property>;

    uint8_t run(uint8_t option, uint32_t entity);

    Device& device_;
    PropertyTable defaults_;
    std::map<std::pair<uint8_t, uint8_t>, Values> saved_;
};

}  // namespace sim
