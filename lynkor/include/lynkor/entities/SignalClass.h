// SignalClass: a digital signal output with its two timings.
// Command 14. Every method answers an aErr, as EntityClass describes.
#pragma once

#include <cstdint>

#include "lynkor/EntityClass.h"

namespace Norvane::Lynkor {

class LYNKOR_API SignalClass : public EntityClass {
public:
    static constexpr uint8_t kCommand = 14;

    SignalClass();
    ~SignalClass() override;
    // Binds this object to entity `index` of the module.
    void init(Module* module, uint8_t index);

    // Enable.
    aErr getEnable(uint8_t* enable);
    aErr setEnable(uint8_t enable);

    // Invert.
    aErr getInvert(uint8_t* invert);
    aErr setInvert(uint8_t invert);

    // T3 time.
    aErr getT3Time(uint32_t* t3Time);
    aErr setT3Time(uint32_t t3Time);

    // T2 time.
    aErr getT2Time(uint32_t* t2Time);
    aErr setT2Time(uint32_t t2Time);
};

}  // namespace Norvane::Lynkor
