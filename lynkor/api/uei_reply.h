#pragma once

// Replies to UEI requests: which packet answers a request, and what it carries.
#include <cstdint>

#include "lynkor/aUEI.h"

namespace lynkor::api {

// The reply to `request` (module, command, option byte, index): from that module, at least the
// header, not a stream packet; the same option byte, or for an error reply the same option code.
bool isReplyTo(const aPacket& packet, const uei& request);
uint8_t replyFilter(const aPacket* packet, void* request);

// A device's result byte as an aErr: codes beyond the library's own are aErrUnknown.
aErr resultFromDevice(uint8_t code);
// The code of a device's error reply: as resultFromDevice, and 0 is aErrUnknown too, so that an
// error reply never reads as success.
aErr errorFromDevice(uint8_t code);

// The result that an error reply carries in byte 3. A code of 0, the bus status 0x80 or a reply
// too short to hold a code is aErrUnknown: an error reply never reads as success.
aErr deviceErrorOf(const aPacket& packet);

// Takes a reply into the record: its index byte, and the value and kind its length tells
// (3 none, 4 byte, 5 short, 7 int; other lengths leave both). An error reply leaves its code in
// byteValue and answers it.
aErr readReply(const aPacket& packet, uei& reply);

}  // namespace lynkor::api
