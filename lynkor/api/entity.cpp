// EntityClass: typed gets, sets and calls of one entity's options, byte arrays, streaming and
// the device's entity store.
#include "lynkor/EntityClass.h"

#include <optional>

#include "api/byte_run.h"
#include "api/link_impl.h"
#include "api/uei_reply.h"
#include "api/uei_transaction.h"

namespace Norvane::Lynkor {

namespace {

constexpr uint8_t kStoreSave = 0;
constexpr uint8_t kStoreReset = 1;
constexpr uint8_t kStoreLoad = 2;
constexpr uint8_t kStoreIndex = 0;

}  // namespace

class EntityImpl {
public:
    // The entity's Link, or null with aErrResource.
    Link* link(aErr& result) const {
        Link* found = module != nullptr ? module->getLink() : nullptr;
        result = found != nullptr ? aErrNone : aErrResource;
        return found;
    }

    uei request(uint8_t optionByte) const {
        uei record{};
        record.module = module->getModuleAddress();
        record.command = command;
        record.option = optionByte;
        record.index = static_cast<uint8_t>(index | UEI_REQUEST);
        return record;
    }

    // A get of the option (of the subindex when given) from the stream cache or the device.
    // `cached` tells which answered: a cached value has lost the width it travelled in.
    aErr get(uint8_t option, std::optional<uint8_t> subindex, uei& value, bool& cached) const {
        cached = false;
        aErr result = aErrNone;
        Link* target = link(result);
        if (target == nullptr) {
            return result;
        }
        const uint8_t bareOption = option & UEI_OPTION_MASK;
        uint32_t streamed = 0;
        result = target->getStreamValue(module->getModuleAddress(), command, bareOption, index,
                                        subindex.value_or(0), &streamed);
        if (result == aErrNone || result == aErrStreamStale) {
            cached = true;
            value.intValue = streamed;
            value.ueiType = ueiTypeInt;
            return result;
        }
        const uei ask = request(static_cast<uint8_t>(bareOption | UEI_GET));
        uei reply{};
        result = lynkor::api::transact(*target, ask, subindex, bareOption, reply);
        if (result == aErrNone && reply.ueiType == ueiTypeVoid) {
            // The device answered without the value asked for.
            result = aErrUnknown;
        }
        value = reply;
        return result;
    }

    // A typed get: the value is stored for a fresh or a stale cached value alike, and for a
    // device's reply only when it came in the getter's width.
    template <typename T>
    aErr getTyped(uint8_t option, std::optional<uint8_t> subindex, T* out) const {
        if (out == nullptr) {
            return aErrParam;
        }
        uei value{};
        bool cached = false;
        aErr result = get(option, subindex, value, cached);
        if (result == aErrNone && !cached && value.ueiType != sizeof(T)) {
            result = aErrSize;
        }
        if (result == aErrNone || result == aErrStreamStale) {
            *out = static_cast<T>(lynkor::api::replyValue(value));
        }
        return result;
    }

    // A set of the record's value (and kind), answered by the acknowledgement.
    aErr set(uint8_t option, std::optional<uint8_t> subindex, uei& value) const {
        aErr result = aErrNone;
        Link* target = link(result);
        if (target == nullptr) {
            return result;
        }
        uei request = value;
        const uei header =
            this->request(static_cast<uint8_t>((option & UEI_OPTION_MASK) | UEI_SET));
        request.module = header.module;
        request.command = header.command;
        request.option = header.option;
        request.index = header.index;
        uei reply{};
        if (value.ueiType == ueiTypeBytes) {
            // The acknowledgement of a long array gets the longer wait.
            reply.ueiType = ueiTypeBytes;
            reply.bytesLength = value.bytesLength;
        }
        result = lynkor::api::transact(*target, request, subindex,
                                       static_cast<uint8_t>(request.option | UEI_ACK), reply);
        value.index = reply.index;
        return result;
    }

    Module* module = nullptr;
    uint8_t command = 0;
    uint8_t index = 0;
};

EntityClass::EntityClass() : impl_(std::make_unique<EntityImpl>()) {}

EntityClass::~EntityClass() = default;

void EntityClass::init(Module* module, uint8_t command, uint8_t index) {
    impl_->module = module;
    impl_->command = command;
    impl_->index = index;
}

uint8_t EntityClass::getIndex() const {
    return impl_->index;
}

Module* EntityClass::entityModule() const {
    return impl_->module;
}

aErr EntityClass::getUEI(uint8_t option, uei* value) {
    if (value == nullptr) {
        return aErrParam;
    }
    std::optional<uint8_t> subindex;
    if (value->ueiType == ueiTypeByte) {
        subindex = value->byteValue;
    }
    bool cached = false;
    return impl_->get(option, subindex, *value, cached);
}

aErr EntityClass::getUEI8(uint8_t option, uint8_t* value) {
    return impl_->getTyped(option, std::nullopt, value);
}

aErr EntityClass::getUEI16(uint8_t option, uint16_t* value) {
    return impl_->getTyped(option, std::nullopt, value);
}

aErr EntityClass::getUEI32(uint8_t option, uint32_t* value) {
    return impl_->getTyped(option, std::nullopt, value);
}

aErr EntityClass::getUEI8(uint8_t option, uint8_t subindex, uint8_t* value) {
    return impl_->getTyped(option, subindex, value);
}

aErr EntityClass::getUEI16(uint8_t option, uint8_t subindex, uint16_t* value) {
    return impl_->getTyped(option, subindex, value);
}

aErr EntityClass::getUEI32(uint8_t option, uint8_t subindex, uint32_t* value) {
    return impl_->getTyped(option, subindex, value);
}

aErr EntityClass::setUEI(uint8_t option, uei* value) {
    return value != nullptr ? impl_->set(option, std::nullopt, *value) : aErrParam;
}

aErr EntityClass::setUEI(uint8_t option, uint8_t subindex, uei* value) {
    return value != nullptr ? impl_->set(option, subindex, *value) : aErrParam;
}

namespace {

uei s_typed(ueiType type, uint32_t value) {
    uei record{};
    record.ueiType = type;
    if (type == ueiTypeByte) {
        record.byteValue = static_cast<uint8_t>(value);
    } else if (type == ueiTypeShort) {
        record.shortValue = static_cast<uint16_t>(value);
    } else {
        record.intValue = value;
    }
    return record;
}

}  // namespace

aErr EntityClass::setUEI8(uint8_t option, uint8_t value) {
    uei record = s_typed(ueiTypeByte, value);
    return setUEI(option, &record);
}

aErr EntityClass::setUEI16(uint8_t option, uint16_t value) {
    uei record = s_typed(ueiTypeShort, value);
    return setUEI(option, &record);
}

aErr EntityClass::setUEI32(uint8_t option, uint32_t value) {
    uei record = s_typed(ueiTypeInt, value);
    return setUEI(option, &record);
}

aErr EntityClass::setUEI8(uint8_t option, uint8_t subindex, uint8_t value) {
    uei record = s_typed(ueiTypeByte, value);
    return setUEI(option, subindex, &record);
}

aErr EntityClass::setUEI16(uint8_t option, uint8_t subindex, uint16_t value) {
    uei record = s_typed(ueiTypeShort, value);
    return setUEI(option, subindex, &record);
}

aErr EntityClass::setUEI32(uint8_t option, uint8_t subindex, uint32_t value) {
    uei record = s_typed(ueiTypeInt, value);
    return setUEI(option, subindex, &record);
}

aErr EntityClass::callUEI(uint8_t option) {
    uei record = s_typed(ueiTypeVoid, 0);
    return setUEI(option, &record);
}

aErr EntityClass::setUEIBytes(uint8_t option, const uint8_t* bytes, uint32_t length) {
    if (bytes == nullptr && length > 0) {
        return aErrParam;
    }
    uei record{};
    record.ueiType = ueiTypeBytes;
    // A set only reads the buffer.
    record.bytes = const_cast<uint8_t*>(bytes);
    record.bytesLength = length;
    return setUEI(option, &record);
}

aErr EntityClass::getUEIBytes(uint8_t option, uint8_t* buffer, uint32_t capacity,
                              uint32_t* received) {
    if (buffer == nullptr || received == nullptr || capacity == 0) {
        return aErrParam;
    }
    *received = 0;
    aErr result = aErrNone;
    Link* link = impl_->link(result);
    if (link == nullptr) {
        return result;
    }
    uei run = impl_->request(option & UEI_OPTION_MASK);
    run.index = impl_->index;
    run.ueiType = ueiTypeBytes;
    run.bytes = buffer;
    run.bytesLength = capacity;
    run.receivedCount = received;
    return link->receiveByteArray(run);
}

aErr EntityClass::getUEIBytesCheck(uint32_t* count, uint32_t unit) {
    if (count == nullptr || unit == 0) {
        return aErrParam;
    }
    if (*count % unit != 0) {
        return aErrMemory;
    }
    *count /= unit;
    return aErrNone;
}

uint8_t EntityClass::getUEIBytesSequence(const aPacket* packet) {
    return aUEI_getBytesSequence(packet);
}

bool EntityClass::getUEIBytesContinue(const aPacket* packet) {
    return aUEI_getBytesContinue(packet);
}

uint8_t EntityClass::sUEIBytesFilter(const aPacket* packet, void* record) {
    return lynkor::api::isNextRunPacket(*packet, *static_cast<const uei*>(record)) ? 1 : 0;
}

aErr EntityClass::drainUEI(uint8_t option) {
    aErr result = aErrNone;
    Link* link = impl_->link(result);
    return link != nullptr ? link->dropMatchingUEIPackets(impl_->module->getModuleAddress(),
                                                          impl_->command, option, impl_->index)
                           : result;
}

aErr EntityClass::awaitUEI32Val(uint8_t option, uint32_t* value, uint32_t timeoutMs) {
    if (value == nullptr) {
        return aErrParam;
    }
    aErr result = aErrNone;
    Link* link = impl_->link(result);
    if (link == nullptr) {
        return result;
    }
    uei reply{};
    result = link->receiveUEIWithin(
        impl_->module->getModuleAddress(), impl_->command, option & UEI_OPTION_MASK, impl_->index,
        &reply, lynkor::api::replyFilter, timeoutMs != 0 ? timeoutMs : kReplyTimeoutMs);
    if (result == aErrNone && reply.ueiType == ueiTypeVoid) {
        result = aErrUnknown;
    }
    if (result == aErrNone) {
        *value = lynkor::api::replyValue(reply);
    }
    return result;
}

aErr EntityClass::setStreamEnabled(bool enable) {
    aErr result = aErrNone;
    Link* link = impl_->link(result);
    return link != nullptr ? link->enableStream(impl_->module->getModuleAddress(), impl_->command,
                                                kStreamWildcard, impl_->index, enable)
                           : result;
}

aErr EntityClass::getStreamStatus(StreamStatusEntry* entries, uint32_t capacity, uint32_t* count) {
    aErr result = aErrNone;
    Link* link = impl_->link(result);
    return link != nullptr ? link->getStreamStatus(impl_->module->getModuleAddress(),
                                                   impl_->command, kStreamWildcard, impl_->index,
                                                   kStreamWildcard, entries, capacity, count)
                           : result;
}

aErr EntityClass::registerOptionCallback(uint8_t option, bool enable, StreamCallback callback,
                                         void* user) {
    aErr result = aErrNone;
    Link* link = impl_->link(result);
    return link != nullptr ? link->registerStreamCallback(impl_->module->getModuleAddress(),
                                                          impl_->command, option, impl_->index,
                                                          enable, std::move(callback), user)
                           : result;
}

namespace {

aErr s_storeOperation(Module* module, uint8_t command, uint8_t index, uint8_t operation) {
    EntityClass store;
    store.init(module, cmdSTORE, kStoreIndex);
    return store.setUEI32(operation, (static_cast<uint32_t>(command) << 8) | index);
}

}  // namespace

aErr EntityClass::loadEntityFromStore() {
    return s_storeOperation(impl_->module, impl_->command, impl_->index, kStoreLoad);
}

aErr EntityClass::saveEntityToStore() {
    return s_storeOperation(impl_->module, impl_->command, impl_->index, kStoreSave);
}

aErr EntityClass::resetEntityToFactoryDefaults() {
    return s_storeOperation(impl_->module, impl_->command, impl_->index, kStoreReset);
}

aErr EntityClass::sendPacket(uint8_t length, const uint8_t* bytes) {
    aErr result = aErrNone;
    Link* link = impl_->link(result);
    return link != nullptr
               ? link->sendPacket(impl_->module->getModuleAddress(), impl_->command, length, bytes)
               : result;
}

aErr EntityClass::receivePacket(const uint8_t* match, uint8_t matchLength, uint8_t* length,
                                uint8_t* bytes) {
    aErr result = aErrNone;
    Link* link = impl_->link(result);
    return link != nullptr ? link->receivePacket(impl_->module->getModuleAddress(), match,
                                                 matchLength, length, bytes)
                           : result;
}

}  // namespace Norvane::Lynkor
