#include "lynkor/entities/RCServoClass.h"

#include "entities/entity_shapes.h"

namespace Norvane::Lynkor {

namespace {

enum Option : uint8_t {
    kEnable = 1,
    kPosition = 2,
    kReverse = 3,
};

}  // namespace

RCServoClass::RCServoClass() = default;

RCServoClass::~RCServoClass() = default;

void RCServoClass::init(Module* module, uint8_t index) {
    EntityClass::init(module, kCommand, index);
}

aErr RCServoClass::getEnable(uint8_t* enable) {
    return getUEI8(kEnable, enable);
}

aErr RCServoClass::setEnable(uint8_t enable) {
    return setUEI8(kEnable, enable);
}

aErr RCServoClass::getPosition(uint8_t* position) {
    return getUEI8(kPosition, position);
}

aErr RCServoClass::setPosition(uint8_t position) {
    return setUEI8(kPosition, position);
}

aErr RCServoClass::getReverse(uint8_t* reverse) {
    return getUEI8(kReverse, reverse);
}

aErr RCServoClass::setReverse(uint8_t reverse) {
    return setUEI8(kReverse, reverse);
}

}  // namespace Norvane::Lynkor
