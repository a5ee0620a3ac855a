#include "lynkor/entities/PointerClass.h"

#include "entities/entity_shapes.h"

namespace Norvane::Lynkor {

namespace {

enum Option : uint8_t {
    kOffset = 1,
    kMode = 2,
    kTransferStore = 3,
    kChar = 4,
    kShort = 5,
    kInt = 6,
    kInitiateTransfer = 7,
};

}  // namespace

PointerClass::PointerClass() = default;

PointerClass::~PointerClass() = default;

void PointerClass::init(Module* module, uint8_t index) {
    EntityClass::init(module, kCommand, index);
}

aErr PointerClass::getOffset(uint16_t* offset) {
    return getUEI16(kOffset, offset);
}

aErr PointerClass::setOffset(uint16_t offset) {
    return setUEI16(kOffset, offset);
}

aErr PointerClass::getMode(uint8_t* mode) {
    return getUEI8(kMode, mode);
}

aErr PointerClass::setMode(uint8_t mode) {
    return setUEI8(kMode, mode);
}

aErr PointerClass::getTransferStore(uint8_t* transferStore) {
    return getUEI8(kTransferStore, transferStore);
}

aErr PointerClass::setTransferStore(uint8_t transferStore) {
    return setUEI8(kTransferStore, transferStore);
}

aErr PointerClass::getChar(uint8_t* value) {
    return getUEI8(kChar, value);
}

aErr PointerClass::setChar(uint8_t value) {
    return setUEI8(kChar, value);
}

aErr PointerClass::getShort(uint16_t* value) {
    return getUEI16(kShort, value);
}

aErr PointerClass::setShort(uint16_t value) {
    return setUEI16(kShort, value);
}

aErr PointerClass::getInt(uint32_t* value) {
    return getUEI32(kInt, value);
}

aErr PointerClass::setInt(uint32_t value) {
    return setUEI32(kInt, value);
}

aErr PointerClass::initiateTransferToStore(uint8_t store) {
    return setUEI8(kInitiateTransfer, store);
}

aErr PointerClass::initiateTransferFromStore(uint8_t store) {
    return setUEI8(kInitiateTransfer, store);
}

}  // namespace Norvane::Lynkor
