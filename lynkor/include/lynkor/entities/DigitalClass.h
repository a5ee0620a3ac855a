// DigitalClass: a digital input or output pin.
// Command 31. Every method answers an aErr, as EntityClass describes.
#pragma once

#include <cstdint>

#include "lynkor/EntityClass.h"

namespace Norvane::Lynkor {

class LYNKOR_API DigitalClass : public EntityClass {
public:
    static constexpr uint8_t kCommand = 31;

    DigitalClass();
    ~DigitalClass() override;
    // Binds this object to entity `index` of the module.
    void init(Module* module, uint8_t index);

    // Configuration.
    aErr getConfiguration(uint8_t* configuration);
    aErr setConfiguration(uint8_t configuration);

    // State.
    aErr getState(uint8_t* state);
    aErr setState(uint8_t state);

    // State all.
    aErr getStateAll(uint32_t* stateAll);
    aErr setStateAll(uint32_t stateAll);
};

}  // namespace Norvane::Lynkor
