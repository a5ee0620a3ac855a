#include "lynkor/entities/TemperatureClass.h"

#include "entities/entity_shapes.h"

namespace Norvane::Lynkor {

namespace {

using namespace lynkor::entities;

enum Option : uint8_t {
    kValue = 1,
    kValueMin = 2,
    kValueMax = 3,
};

}  // namespace

TemperatureClass::TemperatureClass() = default;

TemperatureClass::~TemperatureClass() = default;

void TemperatureClass::init(Module* module, uint8_t index) {
    EntityClass::init(module, kCommand, index);
}

aErr TemperatureClass::getValue(int32_t* value) {
    return getSigned(*this, kValue, value);
}

aErr TemperatureClass::getValueMin(int32_t* valueMin) {
    return getSigned(*this, kValueMin, valueMin);
}

aErr TemperatureClass::getValueMax(int32_t* valueMax) {
    return getSigned(*this, kValueMax, valueMax);
}

}  // namespace Norvane::Lynkor
