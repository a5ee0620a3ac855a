// TemperatureClass: a temperature sensor and the extremes it has seen.
// Command 33. Every method answers an aErr, as EntityClass describes.
#pragma once

#include <cstdint>

#include "lynkor/EntityClass.h"

namespace Norvane::Lynkor {

class LYNKOR_API TemperatureClass : public EntityClass {
public:
    static constexpr uint8_t kCommand = 33;

    TemperatureClass();
    ~TemperatureClass() override;
    // Binds this object to entity `index` of the module.
    void init(Module* module, uint8_t index);

    // Value (signed).
    aErr getValue(int32_t* value);

    // Value min (signed).
    aErr getValueMin(int32_t* valueMin);

    // Value max (signed).
    aErr getValueMax(int32_t* valueMax);
};

}  // namespace Norvane::Lynkor
