#pragma once

// The shapes of entity-class methods that EntityClass does not offer as they are: signed values,
// byte arrays and lists of 32-bit values. Each answers an aErr as EntityClass does.
#include <cstdint>

#include "lynkor/EntityClass.h"

namespace lynkor::entities {

using Norvane::Lynkor::EntityClass;

// A signed value travels as the bit pattern of the 32-bit one.
aErr getSigned(EntityClass& entity, uint8_t option, int32_t* value);
aErr getSigned(EntityClass& entity, uint8_t option, uint8_t subindex, int32_t* value);
aErr setSigned(EntityClass& entity, uint8_t option, int32_t value);
aErr setSigned(EntityClass& entity, uint8_t option, uint8_t subindex, int32_t value);

// A byte array into `buffer` (room for `size` bytes); *length is the count received. On failure
// neither the buffer nor *length changes.
aErr getBytes(EntityClass& entity, uint8_t option, uint8_t* buffer, uint32_t size,
              uint32_t* length);
aErr setBytes(EntityClass& entity, uint8_t option, const uint8_t* bytes, uint32_t count);

// A list of 32-bit values, each travelling as the four bytes it has in memory. A capacity or
// count whose byte size does not fit 32 bits is aErrParam; a reply that is no whole number of
// values is aErrMemory. On failure neither the values nor *count change.
aErr getList(EntityClass& entity, uint8_t option, uint32_t* values, uint32_t capacity,
             uint32_t* count);
aErr setList(EntityClass& entity, uint8_t option, const uint32_t* values, uint32_t count);

}  // namespace lynkor::entities
