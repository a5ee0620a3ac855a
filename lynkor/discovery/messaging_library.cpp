#include "discovery/messaging_library.h"

#include <czmq.h>

#include <mutex>

namespace lynkor::discovery {

void prepareMessagingLibrary() {
    static std::once_flag prepared;
    std::call_once(prepared, [] { zsys_handler_set(nullptr); });
}

}  // namespace lynkor::discovery
