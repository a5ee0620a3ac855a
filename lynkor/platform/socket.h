#pragma once

// TCP client sockets for the socket stream.
#include <cstdint>

#include "lynkor/aError.h"

namespace lynkor::platform {

// Connects to `ipAddress` (network byte order) and `port` (host order), waiting at most
// `timeoutMs`. The socket comes back non-blocking, with Nagle's algorithm off and a linger
// time of 0, so that closing it resets the connection. A refused, reset, unreachable or
// timed-out connect answers aErrConnection; anything else aErrIO.
aErr tcpConnect(uint32_t ipAddress, uint16_t port, int timeoutMs, int* fd);

}  // namespace lynkor::platform
