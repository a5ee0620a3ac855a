#include "lynkor/entities/DigitalClass.h"

#include "entities/entity_shapes.h"

namespace Norvane::Lynkor {

namespace {

enum Option : uint8_t {
    kConfiguration = 1,
    kState = 2,
    kStateAll = 3,
};

}  // namespace

DigitalClass::DigitalClass() = default;

DigitalClass::~DigitalClass() = default;

void DigitalClass::init(Module* module, uint8_t index) {
    EntityClass::init(module, kCommand, index);
}

aErr DigitalClass::getConfiguration(uint8_t* configuration) {
    return getUEI8(kConfiguration, configuration);
}

aErr DigitalClass::setConfiguration(uint8_t configuration) {
    return setUEI8(kConfiguration, configuration);
}

aErr DigitalClass::getState(uint8_t* state) {
    return getUEI8(kState, state);
}

aErr DigitalClass::setState(uint8_t state) {
    return setUEI8(kState, state);
}

aErr DigitalClass::getStateAll(uint32_t* stateAll) {
    return getUEI32(kStateAll, stateAll);
}

aErr DigitalClass::setStateAll(uint32_t stateAll) {
    return setUEI32(kStateAll, stateAll);
}

}  // namespace Norvane::Lynkor
