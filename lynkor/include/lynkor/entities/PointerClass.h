// PointerClass: a cursor into the device's scratch memory: reads and writes at an offset, and
// transfers between that memory and a store. Command 7. Every method answers an aErr, as
// EntityClass describes.
#pragma once

#include <cstdint>

#include "lynkor/EntityClass.h"

namespace Norvane::Lynkor {

class LYNKOR_API PointerClass : public EntityClass {
public:
    static constexpr uint8_t kCommand = 7;

    PointerClass();
    ~PointerClass() override;
    // Binds this object to entity `index` of the module.
    void init(Module* module, uint8_t index);

    // Offset.
    aErr getOffset(uint16_t* offset);
    aErr setOffset(uint16_t offset);

    // Mode.
    aErr getMode(uint8_t* mode);
    aErr setMode(uint8_t mode);

    // Transfer store.
    aErr getTransferStore(uint8_t* transferStore);
    aErr setTransferStore(uint8_t transferStore);

    // Char.
    aErr getChar(uint8_t* value);
    aErr setChar(uint8_t value);

    // Short.
    aErr getShort(uint16_t* value);
    aErr setShort(uint16_t value);

    // Int.
    aErr getInt(uint32_t* value);
    aErr setInt(uint32_t value);

    // Starts a transfer between the memory and a store; both directions send the same request.
    aErr initiateTransferToStore(uint8_t store);

    // Initiate transfer from store.
    aErr initiateTransferFromStore(uint8_t store);
};

}  // namespace Norvane::Lynkor
