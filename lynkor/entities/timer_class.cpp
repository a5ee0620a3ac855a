#include "lynkor/entities/TimerClass.h"

#include "entities/entity_shapes.h"

namespace Norvane::Lynkor {

namespace {

enum Option : uint8_t {
    kExpiration = 1,
    kMode = 2,
};

}  // namespace

TimerClass::TimerClass() = default;

TimerClass::~TimerClass() = default;

void TimerClass::init(Module* module, uint8_t index) {
    EntityClass::init(module, kCommand, index);
}

aErr TimerClass::getExpiration(uint32_t* expiration) {
    return getUEI32(kExpiration, expiration);
}

aErr TimerClass::setExpiration(uint32_t expiration) {
    return setUEI32(kExpiration, expiration);
}

aErr TimerClass::getMode(uint8_t* mode) {
    return getUEI8(kMode, mode);
}

aErr TimerClass::setMode(uint8_t mode) {
    return setUEI8(kMode, mode);
}

}  // namespace Norvane::Lynkor
