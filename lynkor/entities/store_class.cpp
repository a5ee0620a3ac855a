#include "lynkor/entities/StoreClass.h"

#include "entities/entity_shapes.h"

namespace Norvane::Lynkor {

namespace {

enum Option : uint8_t {
    kSlotEnable = 1,
    kSlotDisable = 2,
    kSlotState = 3,
    kSlotLocked = 7,
};

}  // namespace

StoreClass::StoreClass() = default;

StoreClass::~StoreClass() = default;

void StoreClass::init(Module* module, uint8_t index) {
    EntityClass::init(module, kCommand, index);
}

aErr StoreClass::slotEnable(uint8_t slot) {
    return setUEI8(kSlotEnable, slot);
}

aErr StoreClass::slotDisable(uint8_t slot) {
    return setUEI8(kSlotDisable, slot);
}

aErr StoreClass::getSlotState(uint8_t slot, uint8_t* slotState) {
    return getUEI8(kSlotState, slot, slotState);
}

aErr StoreClass::getSlotLocked(uint8_t slot, uint8_t* slotLocked) {
    return getUEI8(kSlotLocked, slot, slotLocked);
}

aErr StoreClass::setSlotLocked(uint8_t slot, uint8_t slotLocked) {
    return setUEI8(kSlotLocked, slot, slotLocked);
}

namespace {

// Runs a store-slot operation of the module's Link with the module's address, or answers
// aErrResource for an entity without a module or a module without a link.
template <typename Operation>
aErr s_onLink(Module* module, Operation operation) {
    Link* link = module != nullptr ? module->getLink() : nullptr;
    return link != nullptr ? operation(*link, module->getModuleAddress()) : aErrResource;
}

}  // namespace

aErr StoreClass::getSlotCapacity(uint8_t slot, uint32_t* capacity) {
    return s_onLink(entityModule(), [&](Link& link, uint8_t module) {
        return link.storeSlotCapacity(module, getIndex(), slot, capacity);
    });
}

aErr StoreClass::getSlotSize(uint8_t slot, uint32_t* size) {
    return s_onLink(entityModule(), [&](Link& link, uint8_t module) {
        return link.storeSlotSize(module, getIndex(), slot, size);
    });
}

aErr StoreClass::loadSlot(uint8_t slot, const uint8_t* data, uint32_t length) {
    return s_onLink(entityModule(), [&](Link& link, uint8_t module) {
        return link.loadStoreSlot(module, getIndex(), slot, data, length);
    });
}

aErr StoreClass::unloadSlot(uint8_t slot, uint32_t length, uint8_t* buffer, uint32_t* count) {
    return s_onLink(entityModule(), [&](Link& link, uint8_t module) {
        return link.unloadStoreSlot(module, getIndex(), slot, buffer, length, count);
    });
}

}  // namespace Norvane::Lynkor
