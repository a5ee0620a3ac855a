// ClockClass: the device's real-time clock, field by field.
// Command 83. Every method answers an aErr, as EntityClass describes.
#pragma once

#include <cstdint>

#include "lynkor/EntityClass.h"

namespace Norvane::Lynkor {

class LYNKOR_API ClockClass : public EntityClass {
public:
    static constexpr uint8_t kCommand = 83;

    ClockClass();
    ~ClockClass() override;
    // Binds this object to entity `index` of the module.
    void init(Module* module, uint8_t index);

    // Year.
    aErr getYear(uint16_t* year);
    aErr setYear(uint16_t year);

    // Month.
    aErr getMonth(uint8_t* month);
    aErr setMonth(uint8_t month);

    // Day.
    aErr getDay(uint8_t* day);
    aErr setDay(uint8_t day);

    // Hour.
    aErr getHour(uint8_t* hour);
    aErr setHour(uint8_t hour);

    // Minute.
    aErr getMinute(uint8_t* minute);
    aErr setMinute(uint8_t minute);

    // Second.
    aErr getSecond(uint8_t* second);
    aErr setSecond(uint8_t second);
};

}  // namespace Norvane::Lynkor
