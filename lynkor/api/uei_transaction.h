#pragma once

// One UEI request and its reply, kept apart from what earlier requests left behind.
#include <optional>

#include "lynkor/Link.h"

namespace lynkor::api {

// Sends `request` (with the subindex in byte 3 when given) and waits for the reply with option
// byte `replyOption` and the bare index into `reply`. Replies to an earlier, abandoned request of
// the same entity option are dropped first, and again after a failure, so that they never pass
// for this one's.
aErr transact(Norvane::Lynkor::Link& link, const uei& request, std::optional<uint8_t> subindex,
              uint8_t replyOption, uei& reply);

// The value of a reply by its kind; 0 for none.
uint32_t replyValue(const uei& reply);

}  // namespace lynkor::api
