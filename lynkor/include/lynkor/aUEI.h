/* aUEI: the typed value exchange with an entity on a device. A request or reply is one packet
 * [command, option byte, index byte, payload...]; values longer than one packet travel as a run
 * of packets [command, option byte, index byte, up to 24 payload bytes, trailer]. Payloads are
 * big-endian. */
#ifndef LYNKOR_AUEI_H
#define LYNKOR_AUEI_H

#include <stdbool.h>
#include <stdint.h>

#include "aError.h"
#include "aPacket.h"

/* Option byte: bits 0-5 the option code, and the direction of a request. */
#define UEI_OPTION_MASK 0x3F
#define UEI_GET 0x40
#define UEI_SET 0x80
/* A set's acknowledgement carries the option code with both direction bits. */
#define UEI_ACK 0xC0

/* Index byte: bits 0-4 the entity index, and what kind of packet this is. */
#define UEI_INDEX_MASK 0x1F
#define UEI_REQUEST 0x20
#define UEI_STREAM 0x40
#define UEI_ERROR 0x80

/* Bytes before the payload, and the payload of one packet of a byte-array run. */
#define UEI_HEADER_SIZE 3
#define UEI_BYTES_PAYLOAD_MAX 24
/* Trailer of a byte-array packet: more packets follow, and the sequence number (modulo 128). */
#define UEI_BYTES_CONTINUE 0x80
#define UEI_BYTES_SEQUENCE_MASK 0x7F

/* Command codes that the library itself speaks. */
#define cmdSLOT 4
#define cmdDEBUG 23
#define cmdMODULE 73
#define cmdSTORE 92
#define cmdLINK 93
#define cmdFACTORY 94

/* What the value of a uei record holds. */
typedef enum ueiType {
    ueiTypeVoid = 0,
    ueiTypeByte = 1,
    ueiTypeShort = 2,
    ueiTypeInt = 4,
    ueiTypeBytes = 5
} ueiType;

/* One request or reply. The record lives in the process only: the byte buffer and the received
 * count are plain pointers. */
typedef struct uei {
    uint8_t module;
    uint8_t command;
    uint8_t option;
    /* After a reply: the reply's index byte, so that UEI_ERROR shows. */
    uint8_t index;
    union {
        uint8_t byteValue;
        uint16_t shortValue;
        uint32_t intValue;
        /* A byte array: the data of a set (only read), the destination of a get. After an error
         * reply byteValue holds the device's error code. */
        uint8_t* bytes;
    };
    /* Progress of a byte-array get: the sequence number expected next, and whether the last
     * packet said more follow. */
    uint8_t expectedSequence;
    uint8_t moreFollow;
    /* Length of a set's bytes, capacity of a get's buffer. */
    uint32_t bytesLength;
    /* Where a byte-array get counts the bytes it has stored. */
    uint32_t* receivedCount;
    uint32_t ueiType;
} uei;

LYNKOR_EXTERN_C_BEGIN

/* Whether the packet's command is one the UEI layout applies to; false for an invalid packet or
 * one without data. */
LYNKOR_API bool aUEI_isUEIPayload(const aPacket* packet);
LYNKOR_API bool aUEI_isNotUEIPayload(const aPacket* packet);
/* A value report the device sent on its own: a UEI command, a bare option, UEI_STREAM in the
 * index byte and at least 5 data bytes. */
LYNKOR_API bool aUEI_isStreamPacket(const aPacket* packet);

/* The trailer of a byte-array packet (its last data byte); false and 0 for an empty packet. */
LYNKOR_API bool aUEI_getBytesContinue(const aPacket* packet);
LYNKOR_API uint8_t aUEI_getBytesSequence(const aPacket* packet);
/* Whether the packet carries the full payload of a run (27 or 28 data bytes). */
LYNKOR_API bool aUEI_getBytesFullPacket(const aPacket* packet);

/* Big-endian reads of 2 and 4 bytes. */
LYNKOR_API uint16_t aUEI_RetrieveShort(const uint8_t* bytes);
LYNKOR_API uint32_t aUEI_RetrieveInt(const uint8_t* bytes);
/* Turns `count` big-endian 32-bit words into host order in place. aErrParam for a null buffer
 * with a non-zero count, or a count whose byte size does not fit 32 bits. */
LYNKOR_API aErr aUEI_ModifyIntBuffer(uint8_t* buffer, uint32_t count);

LYNKOR_EXTERN_C_END

#endif
