// AppClass: an application the device runs on request: a 32-bit parameter in, a 32-bit result out.
// Command 5. Every method answers an aErr, as EntityClass describes.
#pragma once

#include <cstdint>

#include "lynkor/EntityClass.h"

namespace Norvane::Lynkor {

class LYNKOR_API AppClass : public EntityClass {
public:
    static constexpr uint8_t kCommand = 5;

    AppClass();
    ~AppClass() override;
    // Binds this object to entity `index` of the module.
    void init(Module* module, uint8_t index);

    // Runs the application with a parameter, without waiting for its result.
    aErr execute(uint32_t parameter);

    // Runs the application with a parameter and waits up to timeoutMs (0: 1000 ms) for the
    // result that the device reports on its own; an error report gives its code instead.
    aErr execute(uint32_t parameter, uint32_t* result, uint32_t timeoutMs);
};

}  // namespace Norvane::Lynkor
