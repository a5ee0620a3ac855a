#include "entities/entity_shapes.h"

#include <bit>
#include <cstring>
#include <limits>
#include <memory>
#include <new>

namespace lynkor::entities {

namespace {

// Gets an array of `capacity` elements of type T through a buffer of our own, so that a run
// that fails half-way leaves the caller's array as it was.
template <typename T>
aErr s_getArray(EntityClass& entity, uint8_t option, T* values, uint32_t capacity,
                uint32_t* count) {
    if (values == nullptr || count == nullptr || capacity == 0 ||
        capacity > std::numeric_limits<uint32_t>::max() / sizeof(T)) {
        return aErrParam;
    }
    const uint32_t size = static_cast<uint32_t>(capacity * sizeof(T));
    // Left uninitialised, so that only the pages the device fills are ever touched however
    // large the caller's capacity.
    std::unique_ptr<uint8_t[]> received;
    try {
        received = std::make_unique_for_overwrite<uint8_t[]>(size);
    } catch (const std::bad_alloc&) {
        return aErrMemory;
    }
    uint32_t length = 0;
    aErr result = entity.getUEIBytes(option, received.get(), size, &length);
    uint32_t elements = length;
    if (result == aErrNone) {
        result = EntityClass::getUEIBytesCheck(&elements, sizeof(T));
    }
    if (result == aErrNone) {
        std::memcpy(values, received.get(), length);
        *count = elements;
    }
    return result;
}

template <typename T>
aErr s_setArray(EntityClass& entity, uint8_t option, const T* values, uint32_t count) {
    if ((values == nullptr && count > 0) ||
        count > std::numeric_limits<uint32_t>::max() / sizeof(T)) {
        return aErrParam;
    }
    return entity.setUEIBytes(option, reinterpret_cast<const uint8_t*>(values),
                              static_cast<uint32_t>(count * sizeof(T)));
}

// The 32-bit getter of `get`, its value reinterpreted as signed.
template <typename Get>
aErr s_getSigned(int32_t* value, Get get) {
    if (value == nullptr) {
        return aErrParam;
    }
    uint32_t bits = 0;
    const aErr result = get(&bits);
    if (result == aErrNone || result == aErrStreamStale) {
        *value = std::bit_cast<int32_t>(bits);
    }
    return result;
}

}  // namespace

aErr getSigned(EntityClass& entity, uint8_t option, int32_t* value) {
    return s_getSigned(value, [&](uint32_t* bits) { return entity.getUEI32(option, bits); });
}

aErr getSigned(EntityClass& entity, uint8_t option, uint8_t subindex, int32_t* value) {
    return s_getSigned(value,
                       [&](uint32_t* bits) { return entity.getUEI32(option, subindex, bits); });
}

aErr setSigned(EntityClass& entity, uint8_t option, int32_t value) {
    return entity.setUEI32(option, std::bit_cast<uint32_t>(value));
}

aErr setSigned(EntityClass& entity, uint8_t option, uint8_t subindex, int32_t value) {
    return entity.setUEI32(option, subindex, std::bit_cast<uint32_t>(value));
}

aErr getBytes(EntityClass& entity, uint8_t option, uint8_t* buffer, uint32_t size,
              uint32_t* length) {
    return s_getArray(entity, option, buffer, size, length);
}

aErr setBytes(EntityClass& entity, uint8_t option, const uint8_t* bytes, uint32_t count) {
    return s_setArray(entity, option, bytes, count);
}

aErr getList(EntityClass& entity, uint8_t option, uint32_t* values, uint32_t capacity,
             uint32_t* count) {
    return s_getArray(entity, option, values, capacity, count);
}

aErr setList(EntityClass& entity, uint8_t option, const uint32_t* values, uint32_t count) {
    return s_setArray(entity, option, values, count);
}

}  // namespace lynkor::entities
