#include "lynkor/entities/SignalClass.h"

#include "entities/entity_shapes.h"

namespace Norvane::Lynkor {

namespace {

enum Option : uint8_t {
    kEnable = 1,
    kInvert = 2,
    kT3Time = 3,
    kT2Time = 4,
};

}  // namespace

SignalClass::SignalClass() = default;

SignalClass::~SignalClass() = default;

void SignalClass::init(Module* module, uint8_t index) {
    EntityClass::init(module, kCommand, index);
}

aErr SignalClass::getEnable(uint8_t* enable) {
    return getUEI8(kEnable, enable);
}

aErr SignalClass::setEnable(uint8_t enable) {
    return setUEI8(kEnable, enable);
}

aErr SignalClass::getInvert(uint8_t* invert) {
    return getUEI8(kInvert, invert);
}

aErr SignalClass::setInvert(uint8_t invert) {
    return setUEI8(kInvert, invert);
}

aErr SignalClass::getT3Time(uint32_t* t3Time) {
    return getUEI32(kT3Time, t3Time);
}

aErr SignalClass::setT3Time(uint32_t t3Time) {
    return setUEI32(kT3Time, t3Time);
}

aErr SignalClass::getT2Time(uint32_t* t2Time) {
    return getUEI32(kT2Time, t2Time);
}

aErr SignalClass::setT2Time(uint32_t t2Time) {
    return setUEI32(kT2Time, t2Time);
}

}  // namespace Norvane::Lynkor
