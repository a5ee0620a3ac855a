#pragma once

// Byte arrays longer than one packet: a run of packets [command, option, index, up to 24 bytes,
// trailer], the trailer holding a more-follows bit and a sequence number.
#include <cstdint>

#include "lynkor/aLink.h"
#include "lynkor/aUEI.h"

namespace lynkor::api {

// Packets a run keeps queued at most, well below the outbound queue's bound, past which the
// queue would drop everything.
constexpr uint32_t kRunQueueHighWater = 900;
// A run whose packets do not move out for this long gives up.
constexpr uint32_t kRunProgressLimitMs = 1000;

// Queues the run of request.bytes (request.bytesLength bytes), paced so that the outbound queue
// never overflows, and returns once the last packet has left the queue: aErrTimeout when the
// queue stops moving, aErrResource when a packet cannot be made.
aErr sendByteRun(aLinkRef link, const uei& request);

// Whether the packet is the next one of the run that `request` describes (module, command,
// option, index, expectedSequence), or an error reply of that entity option. Matches only.
bool isNextRunPacket(const aPacket& packet, const uei& request);
// Stores an accepted packet: its payload goes to request.bytes at *request.receivedCount when it
// fits (aErrMemory otherwise), the expected sequence and the more-follow flag advance. An error
// reply answers the device's code.
aErr appendRunPacket(uei& request, const aPacket& packet);

}  // namespace lynkor::api
