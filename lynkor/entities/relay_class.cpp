#include "lynkor/entities/RelayClass.h"

#include "entities/entity_shapes.h"

namespace Norvane::Lynkor {

namespace {

using namespace lynkor::entities;

enum Option : uint8_t {
    kEnable = 1,
    kVoltage = 2,
};

}  // namespace

RelayClass::RelayClass() = default;

RelayClass::~RelayClass() = default;

void RelayClass::init(Module* module, uint8_t index) {
    EntityClass::init(module, kCommand, index);
}

aErr RelayClass::getEnable(uint8_t* enable) {
    return getUEI8(kEnable, enable);
}

aErr RelayClass::setEnable(uint8_t enable) {
    return setUEI8(kEnable, enable);
}

aErr RelayClass::getVoltage(int32_t* voltage) {
    return getSigned(*this, kVoltage, voltage);
}

}  // namespace Norvane::Lynkor
