#pragma once

// A packet that the library handed out, destroyed when it goes out of scope.
#include <memory>

#include "lynkor/aPacket.h"

namespace lynkor::api {

struct PacketDeleter {
    void operator()(aPacket* packet) const { aPacket_Destroy(&packet); }
};
using PacketPtr = std::unique_ptr<aPacket, PacketDeleter>;

}  // namespace lynkor::api
