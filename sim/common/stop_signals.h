// SIGTERM and SIGINT, blocked for the whole process and read from a descriptor instead, so that
// a simulator's poll loop sees a stop request as one more event and ends in one place.
#pragma once

namespace sim {

// A non-blocking descriptor that becomes readable when a stop signal arrives; also ignores
// SIGPIPE, so that a host that goes away mid-write cannot end the simulator. Throws
// std::runtime_error when the signals cannot be watched.
int watchStopSignals();

}  // namespace sim
