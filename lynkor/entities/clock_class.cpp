#include "lynkor/entities/ClockClass.h"

#include "entities/entity_shapes.h"

namespace Norvane::Lynkor {

namespace {

enum Option : uint8_t {
    kYear = 1,
    kMonth = 2,
    kDay = 3,
    kHour = 4,
    kMinute = 5,
    kSecond = 6,
};

}  // namespace

ClockClass::ClockClass() = default;

ClockClass::~ClockClass() = default;

void ClockClass::init(Module* module, uint8_t index) {
    EntityClass::init(module, kCommand, index);
}

aErr ClockClass::getYear(uint16_t* year) {
    return getUEI16(kYear, year);
}

aErr ClockClass::setYear(uint16_t year) {
    return setUEI16(kYear, year);
}

aErr ClockClass::getMonth(uint8_t* month) {
    return getUEI8(kMonth, month);
}

aErr ClockClass::setMonth(uint8_t month) {
    return setUEI8(kMonth, month);
}

aErr ClockClass::getDay(uint8_t* day) {
    return getUEI8(kDay, day);
}

aErr ClockClass::setDay(uint8_t day) {
    return setUEI8(kDay, day);
}

aErr ClockClass::getHour(uint8_t* hour) {
    return getUEI8(kHour, hour);
}

aErr ClockClass::setHour(uint8_t hour) {
    return setUEI8(kHour, hour);
}

aErr ClockClass::getMinute(uint8_t* minute) {
    return getUEI8(kMinute, minute);
}

aErr ClockClass::setMinute(uint8_t minute) {
    return setUEI8(kMinute, minute);
}

aErr ClockClass::getSecond(uint8_t* second) {
    return getUEI8(kSecond, second);
}

aErr ClockClass::setSecond(uint8_t second) {
    return setUEI8(kSecond, second);
}

}  // namespace Norvane::Lynkor
