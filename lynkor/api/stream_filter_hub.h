#pragma once

// A link has one user packet filter, and several Links may share one link (a router and the
// modules behind it, two Links to one device). So each link gets one stream filter, and it
// feeds every Link with stream registrations on that link.
#include <memory>

#include "api/stream_state.h"
#include "lynkor/aLink.h"

namespace lynkor::api {

// Adds the Link's stream state to the link's filter, installing the filter for the first one.
aErr attachStreamState(aLinkRef link, const std::shared_ptr<StreamState>& state);
// Takes it out; once this returns, the filter no longer feeds it. The last one removes the
// filter.
void detachStreamState(aLinkRef link, const StreamState* state);
// Installs the filter again after a reset of the link took it away.
aErr reinstallStreamFilter(aLinkRef link);
// The filter itself (`hub` is what it was installed with).
uint8_t streamFilter(const aPacket* packet, void* hub);

}  // namespace lynkor::api
