#pragma once

// Something fed by a link's packet filter on the reader thread: a Link's stream state, or the
// collector of a byte-array get.
#include "lynkor/aPacket.h"

namespace lynkor::api {

class PacketTaker {
public:
    virtual ~PacketTaker() = default;
    // Runs on the link's reader thread; true takes the packet away from the reply queue. It must
    // not wait for packets of the same link.
    virtual bool take(const aPacket& packet) = 0;
};

}  // namespace lynkor::api
