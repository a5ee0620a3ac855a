// RelayClass: a relay.
// Command 34. Every method answers an aErr, as EntityClass describes.
#pragma once

#include <cstdint>

#include "lynkor/EntityClass.h"

namespace Norvane::Lynkor {

class LYNKOR_API RelayClass : public EntityClass {
public:
    static constexpr uint8_t kCommand = 34;

    RelayClass();
    ~RelayClass() override;
    // Binds this object to entity `index` of the module.
    void init(Module* module, uint8_t index);

    // Enable.
    aErr getEnable(uint8_t* enable);
    aErr setEnable(uint8_t enable);

    // Voltage (signed).
    aErr getVoltage(int32_t* voltage);
};

}  // namespace Norvane::Lynkor
