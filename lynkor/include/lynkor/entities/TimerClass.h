// TimerClass: a timer.
// Command 79. Every method answers an aErr, as EntityClass describes.
#pragma once

#include <cstdint>

#include "lynkor/EntityClass.h"

namespace Norvane::Lynkor {

class LYNKOR_API TimerClass : public EntityClass {
public:
    static constexpr uint8_t kCommand = 79;

    TimerClass();
    ~TimerClass() override;
    // Binds this object to entity `index` of the module.
    void init(Module* module, uint8_t index);

    // Expiration.
    aErr getExpiration(uint32_t* expiration);
    aErr setExpiration(uint32_t expiration);

    // Mode.
    aErr getMode(uint8_t* mode);
    aErr setMode(uint8_t mode);
};

}  // namespace Norvane::Lynkor
