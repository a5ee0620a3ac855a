#pragma once

// Starting, stopping and synchronising a link; used by the creators, aLink_Reset, aLink_Destroy
// and the device server.
#include "link/link_record.h"

namespace lynkor::link {

// Polling of start and sync: every 10 ms, at most 200 times.
constexpr uint32_t kPollPeriodMs = 10;
constexpr int kPollLimit = 200;
// How long a stop waits for each thread before it leaves it behind.
constexpr uint32_t kThreadEndLimitMs = 5000;

// Prepares a fresh or reset record for the stream (which it takes over; null is allowed):
// new queues, no user filter, no packet log, no pooling.
aErr aLink_Init(aLinkRef id, aStream* stream);
aErr aLink_Start(aLinkRef id);
aErr aLink_Stop(aLinkRef id);
// Brings a started link in step with the device; aErrNotReady when it does not get there.
aErr aLink_Sync(aLinkRef id);
// Queues the route switch with this value.
aErr aLink_ForceRoute(aLinkRef id, uint8_t value);

// Opens a new stream for a link of this table identity and type (aLink_Reset); aErrParam for
// kinds that cannot be remade (serial lines, callers' streams).
aErr sOpenStream(int type, int32_t ident0, int32_t ident1, int32_t ident2, aStream** stream);

}  // namespace lynkor::link
