#include "store_slots.h"

#include <algorithm>
#include <numeric>

#include "protocol_codes.h"

namespace sim {

namespace {

constexpr uint8_t kSubCapacity = 1;
constexpr uint8_t kSubSize = 2;
constexpr uint8_t kSubOpenRead = 3;
constexpr uint8_t kSubOpenWrite = 4;
constexpr uint8_t kSubRead = 6;
constexpr uint8_t kSubWrite = 7;
constexpr uint8_t kSubClose = 8;
constexpr uint8_t kRefused = 0x80;
constexpr size_t kChunk = 25;

// StoreClass options.
constexpr uint8_t kSlotEnable = 1;
constexpr uint8_t kSlotDisable = 2;
constexpr uint8_t kSlotState = 3;
constexpr uint8_t kSlotLocked = 7;

bool s_addressesSlot(uint8_t sub) {
    return sub >= kSubCapacity && sub <= kSubOpenWrite;
}

}  // namespace

StoreSlots::StoreSlots(Device& device) : device_(device) {
    for (uint8_t slot = 0; slot < kDefaultSlots; ++slot) {
        defineSlot(0, slot, kDefaultCapacity);
    }
}

StoreSlots::Slot* StoreSlots::find(uint8_t store, uint8_t slot) {
    auto found = slots_.find({store, slot});
    return found == slots_.end() ? nullptr : &found->second;
}

void StoreSlots::defineSlot(uint8_t store, uint8_t slot, uint16_t capacity) {
    Slot& defined = slots_[{store, slot}];
    defined.capacity = capacity;
    if (defined.bytes.size() > capacity) {
        defined.bytes.resize(capacity);
    }
    defineStoreEntity(store);
    PropertyTable& table = device_.properties();
    for (uint8_t option : {kSlotState, kSlotLocked}) {
        if (table.find({kCmdStoreClass, option, store, slot}) == nullptr) {
            Property property;
            property.writable = option == kSlotLocked;
            property.number = option == kSlotState ? 1 : 0;
            table.define({kCmdStoreClass, option, store, slot}, std::move(property));
        }
    }
}

void StoreSlots::defineStoreEntity(uint8_t store) {
    PropertyTable& table = device_.properties();
    for (uint8_t option : {kSlotEnable, kSlotDisable}) {
        Property property;
        property.readable = false;
        property.writable = true;
        property.onSet = [this, store, enable = option == kSlotEnable](uint32_t slot,
                                                                       const Bytes&) {
            Property* state = device_.properties().find(
                {kCmdStoreClass, kSlotState, store, static_cast<uint8_t>(slot)});
            if (state == nullptr) {
                return kErrIndexRange;
            }
            state->number = enable ? 1 : 0;
            return kErrNone;
        };
        table.define({kCmdStoreClass, option, store, std::nullopt}, std::move(property));
    }
}

uint8_t StoreSlots::slotState(uint8_t option, uint8_t store, uint8_t slot) {
    const Property* property = device_.properties().find({kCmdStoreClass, option, store, slot});
    return property != nullptr ? static_cast<uint8_t>(property->number) : 0;
}

void StoreSlots::handle(Device& device, const Packet& request, HostConnection& host) {
    const Bytes& data = request.data;
    if (data.size() < 3) {
        ++device.counters().malformed;
        return;
    }
    const uint8_t sub = data[1];
    uint8_t refusal = kErrNone;
    Bytes answer;
    if (s_addressesSlot(sub)) {
        if (data.size() != 4) {
            ++device.counters().malformed;
            return;
        }
        answer = sub <= kSubSize ? query(sub, data[2], data[3], refusal)
                                 : open(sub, data[2], data[3], refusal);
    } else if (sub == kSubRead || sub == kSubWrite || sub == kSubClose) {
        answer = transfer(data, refusal);
    } else {
        refusal = kErrUnimplemented;
    }
    device.answer(host, refusal == kErrNone ? answer : errorReply(data, refusal));
}

Bytes StoreSlots::errorReply(const Bytes& request, uint8_t code) const {
    const uint8_t sub = request.size() > 1 ? request[1] : 0;
    Bytes reply{kCmdSlot, static_cast<uint8_t>(sub | kRefused)};
    const size_t echoed = s_addressesSlot(sub) ? 2 : 1;
    for (size_t i = 0; i < echoed; ++i) {
        reply.push_back(2 + i < request.size() ? request[2 + i] : 0);
    }
    reply.push_back(code);
    return reply;
}

Bytes StoreSlots::query(uint8_t sub, uint8_t store, uint8_t slot, uint8_t& refusal) {
    const Slot* found = find(store, slot);
    if (found == nullptr) {
        refusal = kErrIndexRange;
        return {};
    }
    Bytes answer{kCmdSlot, sub, store, slot};
    appendBigEndian(answer, sub == kSubCapacity ? found->capacity : found->bytes.size(), 2);
    return answer;
}

Bytes StoreSlots::open(uint8_t sub, uint8_t store, uint8_t slot, uint8_t& refusal) {
    Slot* found = find(store, slot);
    const bool writing = sub == kSubOpenWrite;
    if (found == nullptr) {
        refusal = kErrIndexRange;
        return {};
    }
    if (slotState(kSlotState, store, slot) == 0) {
        refusal = kErrNotReady;
        return {};
    }
    if (writing && slotState(kSlotLocked, store, slot) != 0) {
        refusal = kErrPermission;
        return {};
    }
    if (open_.size() >= kMaxOpen) {
        return {kCmdSlot, sub, store, slot, kNoHandle};
    }
    do {
        lastHandle_ = static_cast<uint8_t>(lastHandle_ % (kNoHandle - 1) + 1);
    } while (open_.contains(lastHandle_));
    open_[lastHandle_] = OpenSlot{store, slot, writing, 0};
    if (writing) {
        found->bytes.clear();
    }
    return {kCmdSlot, sub, store, slot, lastHandle_};
}

Bytes StoreSlots::transfer(const Bytes& request, uint8_t& refusal) {
    const uint8_t sub = request[1];
    const uint8_t handle = request[2];
    auto opened = open_.find(handle);
    Slot* slot = opened == open_.end() ? nullptr : find(opened->second.store, opened->second.slot);
    if (slot == nullptr) {
        refusal = kErrParam;
        return {};
    }
    if (sub == kSubClose) {
        open_.erase(opened);
        return {kCmdSlot, sub, handle, 0};
    }
    OpenSlot& state = opened->second;
    if (state.writing != (sub == kSubWrite)) {
        refusal = kErrPermission;
        return {};
    }
    Bytes answer{kCmdSlot, sub, handle};
    if (sub == kSubRead) {
        const size_t count = std::min(kChunk, slot->bytes.size() - state.position);
        const auto from = slot->bytes.begin() + static_cast<long>(state.position);
        answer.insert(answer.end(), from, from + static_cast<long>(count));
        state.position += count;
        return answer;
    }
    const size_t count = request.size() - 3;
    if (count > kChunk || slot->bytes.size() + count > slot->capacity) {
        refusal = kErrOverrun;
        return {};
    }
    slot->bytes.insert(slot->bytes.end(), request.begin() + 3, request.end());
    answer.push_back(static_cast<uint8_t>(std::accumulate(request.begin() + 3, request.end(), 0u)));
    return answer;
}

}  // namespace sim
