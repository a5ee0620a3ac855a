// RCServoClass: a radio-control servo output.
// Command 13. Every method answers an aErr, as EntityClass describes.
#pragma once

#include <cstdint>

#include "lynkor/EntityClass.h"

namespace Norvane::Lynkor {

class LYNKOR_API RCServoClass : public EntityClass {
public:
    static constexpr uint8_t kCommand = 13;

    RCServoClass();
    ~RCServoClass() override;
    // Binds this object to entity `index` of the module.
    void init(Module* module, uint8_t index);

    // Enable.
    aErr getEnable(uint8_t* enable);
    aErr setEnable(uint8_t enable);

    // Position.
    aErr getPosition(uint8_t* position);
    aErr setPosition(uint8_t position);

    // Reverse.
    aErr getReverse(uint8_t* reverse);
    aErr setReverse(uint8_t reverse);
};

}  // namespace Norvane::Lynkor
