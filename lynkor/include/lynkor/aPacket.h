/* aPacket: one link packet, a module address, a length and up to 28 data bytes. */
#ifndef LYNKOR_APACKET_H
#define LYNKOR_APACKET_H

#include <stdbool.h>
#include <stddef.h>
#include <stdint.h>

#include "aError.h"

#define aPACKET_CHECK 0xBEEF
#define aPACKET_MAX_DATA 28
/* Address byte, length byte and the largest data. */
#define aPACKET_MAX_WIRE_SIZE (aPACKET_MAX_DATA + 2)

typedef struct aPacket {
    uint16_t check;
    uint8_t cur_size;
    uint8_t address;
    uint8_t data_size;
    uint8_t data[aPACKET_MAX_DATA];
} aPacket;

LYNKOR_EXTERN_C_BEGIN

LYNKOR_API aPacket* aPacket_Create(void);
LYNKOR_API aPacket* aPacket_CreateWithData(uint8_t address, uint8_t length, const uint8_t* data);
LYNKOR_API aPacket* aPacket_Copy(const aPacket* packet);
LYNKOR_API aErr aPacket_Destroy(aPacket** packet);
LYNKOR_API aErr aPacket_Reset(aPacket* packet);
/* Appends one received byte: address first, then length, then data. */
LYNKOR_API aErr aPacket_AddByte(aPacket* packet, uint8_t byte);
LYNKOR_API bool aPacket_IsComplete(const aPacket* packet);
LYNKOR_API bool aPacket_IsValid(const aPacket* packet);
/* Writes the wire form (address, length, data); stores data_size + 2 in *length when given. */
LYNKOR_API aErr aPacket_GetBytes(const aPacket* packet, uint8_t* buffer, size_t size,
                                 size_t* length);
LYNKOR_API aErr aPacket_GetCmd(const aPacket* packet, uint8_t* command);
LYNKOR_API aErr aPacket_GetOption(const aPacket* packet, uint8_t* option);
LYNKOR_API aErr aPacket_GetIndex(const aPacket* packet, uint8_t* index);

LYNKOR_EXTERN_C_END

#define aVALIDPACKET(p) aPacket_IsValid(p)

#endif
