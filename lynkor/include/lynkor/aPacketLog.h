/* aPacketLog: a byte ring of records, each a caller's mark byte, a length byte and that many
 * payload bytes. Full, it drops its oldest records. It has no lock: its owner serialises every
 * Put and Get. */
#ifndef LYNKOR_APACKETLOG_H
#define LYNKOR_APACKETLOG_H

#include <stdint.h>

#include "aError.h"

typedef struct aPacketLog {
    uint8_t enabled; /* set by the owner: whether to record; 0 at creation */
    uint8_t* data;
    uint32_t size;
    uint32_t head; /* the oldest record */
    uint32_t tail; /* where the next record starts */
} aPacketLog;

LYNKOR_EXTERN_C_BEGIN

/* An empty ring of size bytes (a record takes length + 2, and one byte always stays free);
 * null for size 0 or when memory is short. */
LYNKOR_API aPacketLog* aPacketLog_Create(uint32_t size);
/* A null log is accepted. Sets *log to null. */
LYNKOR_API aErr aPacketLog_Destroy(aPacketLog** log);
/* aErrOverrun, storing nothing, when the record could never fit the ring. */
LYNKOR_API aErr aPacketLog_Put(aPacketLog* log, uint8_t mark, uint8_t length,
                               const uint8_t* payload);
/* Takes out the oldest record. On entry *length is the buffer's capacity, on return the record's
 * length; aErrOverrun when it does not fit (the record stays), aErrNotFound when empty. */
LYNKOR_API aErr aPacketLog_Get(aPacketLog* log, uint8_t* mark, uint32_t* length, uint8_t* buffer);

LYNKOR_EXTERN_C_END

#endif
