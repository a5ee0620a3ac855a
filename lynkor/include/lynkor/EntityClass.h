// EntityClass: one entity of a device (a command code and an index on a Module), and the typed
// gets, sets and calls of its options. Getters answer from the Link's stream cache when the
// value is streamed (aErrStreamStale for a value read before), else ask the device; a reply of
// another width than the getter's is aErrSize. Every operation answers an aErr: aErrParam for a
// null output, aErrResource for an entity without a connected Module, the device's code for its
// error reply. A getter that fails leaves the caller's value as it was.
#pragma once

#include <cstdint>
#include <memory>

#include "lynkor/Module.h"

namespace Norvane::Lynkor {

class EntityImpl;

class LYNKOR_API EntityClass {
public:
    EntityClass();
    virtual ~EntityClass();
    EntityClass(const EntityClass&) = delete;
    EntityClass& operator=(const EntityClass&) = delete;

    void init(Module* module, uint8_t command, uint8_t index);
    uint8_t getIndex() const;

    aErr getUEI8(uint8_t option, uint8_t* value);
    aErr getUEI16(uint8_t option, uint16_t* value);
    aErr getUEI32(uint8_t option, uint32_t* value);
    aErr getUEI8(uint8_t option, uint8_t subindex, uint8_t* value);
    aErr getUEI16(uint8_t option, uint8_t subindex, uint16_t* value);
    aErr getUEI32(uint8_t option, uint8_t subindex, uint32_t* value);
    aErr setUEI8(uint8_t option, uint8_t value);
    aErr setUEI16(uint8_t option, uint16_t value);
    aErr setUEI32(uint8_t option, uint32_t value);
    aErr setUEI8(uint8_t option, uint8_t subindex, uint8_t value);
    aErr setUEI16(uint8_t option, uint8_t subindex, uint16_t value);
    aErr setUEI32(uint8_t option, uint8_t subindex, uint32_t value);
    aErr callUEI(uint8_t option);

    // A byte array of at most `capacity` bytes; *received counts what was stored, also on
    // failure. A longer array is aErrMemory, a gap in the run aErrTimeout.
    aErr getUEIBytes(uint8_t option, uint8_t* buffer, uint32_t capacity, uint32_t* received);
    aErr setUEIBytes(uint8_t option, const uint8_t* bytes, uint32_t length);
    // Turns a byte count into a count of `unit`-byte elements; aErrMemory (count untouched)
    // when it does not divide evenly.
    static aErr getUEIBytesCheck(uint32_t* count, uint32_t unit);
    static uint8_t getUEIBytesSequence(const aPacket* packet);
    static bool getUEIBytesContinue(const aPacket* packet);
    // Accepts the next packet of the byte-array get described by `record` (a uei): an error
    // reply of that entity option, or the run packet with the expected sequence number.
    static uint8_t sUEIBytesFilter(const aPacket* packet, void* record);

    // Discards queued replies of the option.
    aErr drainUEI(uint8_t option);
    // Waits up to timeoutMs (0: the usual 1000 ms) for a value report of the option that the
    // device sends by itself.
    aErr awaitUEI32Val(uint8_t option, uint32_t* value, uint32_t timeoutMs);

    // Streaming of every option of the entity.
    aErr setStreamEnabled(bool enable);
    aErr getStreamStatus(StreamStatusEntry* entries, uint32_t capacity, uint32_t* count);
    aErr registerOptionCallback(uint8_t option, bool enable, StreamCallback callback, void* user);

    // The device's entity store (cmdSTORE).
    aErr loadEntityFromStore();
    aErr saveEntityToStore();
    aErr resetEntityToFactoryDefaults();

protected:
    // A get of the option: ueiType ueiTypeByte with byteValue set asks for that subindex.
    aErr getUEI(uint8_t option, uei* value);
    aErr setUEI(uint8_t option, uei* value);
    aErr setUEI(uint8_t option, uint8_t subindex, uei* value);
    aErr sendPacket(uint8_t length, const uint8_t* bytes);
    aErr receivePacket(const uint8_t* match, uint8_t matchLength, uint8_t* length, uint8_t* bytes);
    // The Module given to init (null before).
    Module* entityModule() const;

private:
    std::unique_ptr<EntityImpl> impl_;
};

}  // namespace Norvane::Lynkor
