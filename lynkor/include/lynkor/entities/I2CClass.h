// I2CClass: the device's I2C bus, in raw packets. Each read and write carries the bus speed code
// set last (0 at construction). Command 8. Every method answers an aErr, as EntityClass describes.
#pragma once

#include <cstdint>
#include <span>

#include "lynkor/EntityClass.h"

namespace Norvane::Lynkor {

class LYNKOR_API I2CClass : public EntityClass {
public:
    static constexpr uint8_t kCommand = 8;

    I2CClass();
    ~I2CClass() override;
    // Binds this object to entity `index` of the module.
    void init(Module* module, uint8_t index);

    // Reads `length` (at most 23) bytes from the bus device at `address` (its read bit is set
    // here) into `buffer`. aErrSize for a longer read; aErrPacket for a reply too short to be
    // one, or that claims more bytes than were asked for or than it carries (the buffer is
    // then left as it was); the bus's status code when it reports a failure.
    aErr read(uint8_t address, uint32_t length, uint8_t* buffer);
    // Writes `length` (at most 23) bytes to the bus device at `address`; answers as read.
    aErr write(uint8_t address, uint32_t length, const uint8_t* bytes);
    // Turns the bus's pull-up resistors on or off.
    aErr setPullup(bool enable);
    // The speed code (0 to 3) that reads and writes carry from now on; aErrParam for a larger
    // one, which keeps the speed as it was.
    aErr setSpeed(uint8_t speed);
    uint8_t getSpeed() const;

private:
    struct Reply {
        uint8_t length = 0;
        uint8_t data[aPACKET_MAX_DATA] = {};
    };
    // Sends [command, request] and takes the reply that begins with `match`: aErrPacket when it
    // is shorter than its header, the bus's code when its status byte reports a failure.
    aErr exchange(std::span<const uint8_t> request, std::span<const uint8_t> match, Reply& reply);

    uint8_t speed_ = 0;
};

}  // namespace Norvane::Lynkor
