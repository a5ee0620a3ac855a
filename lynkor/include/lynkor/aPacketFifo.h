/* aPacketFifo: a thread-safe queue of packets, named by a 64-bit id that is never reused within
 * a process (0 stands for no queue). Packets go in as copies and come out as fresh copies that
 * the caller owns and frees with aPacket_Destroy. */
#ifndef LYNKOR_APACKETFIFO_H
#define LYNKOR_APACKETFIFO_H

#include <stdint.h>

#include "aError.h"
#include "aPacket.h"

/* A put that would make a queue hold more than this discards everything in it. */
#define aPACKETFIFO_CAPACITY 1000

/* Non-zero for "this one". Runs on the caller's thread under the queue's lock: it must not call
 * back into the same queue. */
typedef uint8_t (*aPacketFilter)(const aPacket* packet, void* reference);

LYNKOR_EXTERN_C_BEGIN

/* A new, empty queue's id, or 0. */
LYNKOR_API uint64_t aPacketFifo_Create(void);
/* Empties and closes the queue, wakes every waiter (they return null) and sets *fifo to 0.
 * aErrParam for a null pointer, aErrNotFound for an unknown id. */
LYNKOR_API aErr aPacketFifo_Destroy(uint64_t* fifo);
/* Queues a copy; the caller keeps its packet. */
LYNKOR_API aErr aPacketFifo_Put(uint64_t fifo, const aPacket* packet);
/* The oldest packet, or null; never waits. */
LYNKOR_API aPacket* aPacketFifo_Get(uint64_t fifo);
/* The oldest packet that the filter accepts, or null; never waits. */
LYNKOR_API aPacket* aPacketFifo_GetFirst(uint64_t fifo, aPacketFilter filter, void* reference);
LYNKOR_API uint32_t aPacketFifo_GetLength(uint64_t fifo);
/* The oldest packet, waiting up to timeoutMs for one; null on time-out or when the queue closes. */
LYNKOR_API aPacket* aPacketFifo_Await(uint64_t fifo, uint32_t timeoutMs);
/* The oldest accepted packet, waiting up to timeoutMs. The filter sees each packet at most once
 * per call, however often the call wakes. */
LYNKOR_API aPacket* aPacketFifo_AwaitFirst(uint64_t fifo, aPacketFilter filter, void* reference,
                                           uint32_t timeoutMs);
/* Removes and destroys every accepted packet, keeping the others in order; answers how many. */
LYNKOR_API uint32_t aPacketFifo_DrainPackets(uint64_t fifo, aPacketFilter filter, void* reference);

LYNKOR_EXTERN_C_END

#endif
