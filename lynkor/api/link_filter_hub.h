#pragma once

// A link has one user packet filter, and several takers may want its packets: the stream state
// of every Link on the link (a router and the modules behind it, two Links to one device) and
// the collectors of byte-array gets. So each link gets one filter that offers every packet to
// each of them.
#include <memory>

#include "api/packet_taker.h"
#include "lynkor/aLink.h"

namespace lynkor::api {

// Adds the taker to the link's filter, installing the filter for the first one.
aErr attachTaker(aLinkRef link, const std::shared_ptr<PacketTaker>& taker);
// Takes it out; once this returns, the filter no longer offers it packets. The last one removes
// the filter.
void detachTaker(aLinkRef link, const PacketTaker* taker);
// Installs the filter again after a reset of the link took it away.
aErr reinstallFilter(aLinkRef link);
// The filter itself (`hub` is what it was installed with).
uint8_t hubFilter(const aPacket* packet, void* hub);

}  // namespace lynkor::api
