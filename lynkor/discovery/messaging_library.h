// czmq's process-wide state.
#pragma once

namespace lynkor::discovery {

// Call before the first czmq call: czmq otherwise installs its own SIGINT and SIGTERM handlers,
// after which an interrupt no longer ends the program that uses this library.
void prepareMessagingLibrary();

}  // namespace lynkor::discovery
