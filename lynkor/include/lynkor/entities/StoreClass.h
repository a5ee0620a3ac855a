// StoreClass: one store of the device (the entity index is the store number) and its slots.
// Command 77. Every method answers an aErr, as EntityClass describes.
#pragma once

#include <cstdint>

#include "lynkor/EntityClass.h"

namespace Norvane::Lynkor {

class LYNKOR_API StoreClass : public EntityClass {
public:
    static constexpr uint8_t kCommand = 77;

    StoreClass();
    ~StoreClass() override;
    // Binds this object to entity `index` of the module.
    void init(Module* module, uint8_t index);

    // Enables a slot (the slot number is the value).
    aErr slotEnable(uint8_t slot);

    // Disables a slot.
    aErr slotDisable(uint8_t slot);

    // Slot state (by slot).
    aErr getSlotState(uint8_t slot, uint8_t* slotState);

    // Slot locked (by slot).
    aErr getSlotLocked(uint8_t slot, uint8_t* slotLocked);
    aErr setSlotLocked(uint8_t slot, uint8_t slotLocked);

    // A slot's capacity and the size of what it holds, in bytes.
    aErr getSlotCapacity(uint8_t slot, uint32_t* capacity);
    aErr getSlotSize(uint8_t slot, uint32_t* size);

    // Writes `length` bytes into a slot.
    aErr loadSlot(uint8_t slot, const uint8_t* data, uint32_t length);
    // Reads a slot into `buffer` (room for `length` bytes); *count is the count read.
    // aErrOverrun when the slot holds more than the buffer.
    aErr unloadSlot(uint8_t slot, uint32_t length, uint8_t* buffer, uint32_t* count);
};

}  // namespace Norvane::Lynkor
