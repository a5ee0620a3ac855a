// cmdSLOT (4): the device's stores of slots, moved with raw packets through handles, and the
// StoreClass entity (77, one per store) that enables, disables and locks slots.
//   [4, 1 | 2, store, slot]   -> [4, sub, store, slot, value (2 bytes)]  capacity | size
//   [4, 3 | 4, store, slot]   -> [4, sub, store, slot, handle]  open to read | write (a write
//                                replaces the contents); handle 255 when all handles are taken
//   [4, 6, handle]            -> [4, 6, handle, up to 25 bytes]  the next bytes; none at the end
//   [4, 7, handle, <=25 bytes] -> [4, 7, handle, 8-bit sum of the bytes]
//   [4, 8, handle]            -> [4, 8, handle, 0]  close
// Refusals set bit 7 of the sub-command and carry the code in byte 4 (sub-commands 1-4) or 3.
#pragma once

#include <map>
#include <utility>

#include "device.h"

namespace sim {

class StoreSlots : public CommandHandler {
public:
    struct Slot {
        uint16_t capacity = 0;
        Bytes bytes;
    };

    static constexpr uint16_t kDefaultCapacity = 1024;
    static constexpr uint8_t kDefaultSlots = 4;

    // Store 0 with kDefaultSlots slots of kDefaultCapacity bytes.
    explicit StoreSlots(Device& device);

    void handle(Device& device, const Packet& request, HostConnection& host) override;
    Bytes errorReply(const Bytes& request, uint8_t code) const override;

    // Adds the slot (enabled, unlocked, empty) or changes its capacity, cutting what is beyond.
    void defineSlot(uint8_t store, uint8_t slot, uint16_t capacity);
    Slot* find(uint8_t store, uint8_t slot);

private:
    struct OpenSlot {
        uint8_t store = 0;
        uint8_t slot = 0;
        bool writing = false;
        size_t position = 0;
    };

    static constexpr size_t kMaxOpen = 4;
    static constexpr uint8_t kNoHandle = 255;

    Bytes query(uint8_t sub, uint8_t store, uint8_t slot, uint8_t& refusal);
    Bytes open(uint8_t sub, uint8_t store, uint8_t slot, uint8_t& refusal);
    Bytes transfer(const Bytes& request, uint8_t& refusal);
    uint8_t slotState(uint8_t option, uint8_t store, uint8_t slot);
    void defineStoreEntity(uint8_t store);

    Device& device_;
    std::map<std::pair<uint8_t, uint8_t>, Slot> slots_;
    std::map<uint8_t, OpenSlot> open_;
    uint8_t lastHandle_ = 0;
};

}  // namespace sim
