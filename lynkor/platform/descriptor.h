#pragma once

// The lowest layer under the serial and socket streams: bounded waits and single, non-blocking
// reads and writes on a file descriptor, with the outcome in the terms a transport decides on.
#include <cstddef>
#include <cstdint>

namespace lynkor::platform {

enum class IoStatus {
    Done,            // `count` bytes moved
    NothingYet,      // nothing within the wait (or the call would block)
    Closed,          // the peer ended the stream in order
    ConnectionLost,  // reset, aborted, hung up or timed out
    Failed           // any other error
};

struct IoResult {
    IoStatus status = IoStatus::Failed;
    size_t count = 0;
};

// How long a stream's idle read waits for bytes before it answers "nothing yet", so that a
// reader polling in a loop does not keep a processor busy.
constexpr int kIdleReadWaitMs = 20;

// Waits at most `timeoutMs` for bytes (or a hang-up) on `fd`, then takes what has arrived, up
// to `capacity`, in one read.
IoResult readAvailable(int fd, uint8_t* buffer, size_t capacity, int timeoutMs);
// One write without blocking.
IoResult writeSome(int fd, const uint8_t* data, size_t length);
// One send on a socket without blocking, and without SIGPIPE when the peer has gone.
IoResult sendSome(int fd, const uint8_t* data, size_t length);
// Waits at most `timeoutMs` until `fd` accepts more bytes; false on time-out or error.
bool waitWritable(int fd, int timeoutMs);
void closeDescriptor(int fd);
void sleepMilliseconds(int milliseconds);

}  // namespace lynkor::platform
