#pragma once

// For the tests that link the library: an owner of the packets it hands out.
#include <memory>

#include "lynkor/aPacket.h"

namespace testing_support {

struct PacketDeleter {
    void operator()(aPacket* packet) const { aPacket_Destroy(&packet); }
};
using PacketPtr = std::unique_ptr<aPacket, PacketDeleter>;

}  // namespace testing_support
