// Stream samples: value reports that a device sends on its own once told to stream them, and the
// keys under which a Link watches them.
//
// A stream packet is [command, option, index | UEI_STREAM, sample type, ...]:
//   byte      1  time high (4), time low (4), value (1), trailer 0    14 data bytes
//   short     2  time high, time low, value (2), trailer 0            15
//   int       3  time high, time low, value (4), trailer 0            17
//   bytes     4  a byte-array run (any packet whose trailer is not 0)
//   subindexed byte, short, int  5, 6, 7: the subindex before the time stamp (15, 16, 18)
// Time stamps are big-endian 32-bit halves of one 64-bit value whose unit the device chooses.
#pragma once

#include <cstdint>
#include <functional>

#include "lynkor/aExport.h"
#include "lynkor/aPacket.h"

namespace Norvane::Lynkor {

enum STREAM_PACKET : uint8_t {
    STREAM_PACKET_UNKNOWN = 0,
    STREAM_PACKET_BYTE = 1,
    STREAM_PACKET_SHORT = 2,
    STREAM_PACKET_INT = 3,
    STREAM_PACKET_BYTES = 4,
    STREAM_PACKET_SUBINDEX_BYTE = 5,
    STREAM_PACKET_SUBINDEX_SHORT = 6,
    STREAM_PACKET_SUBINDEX_INT = 7,
};

// The elements of a stream key: bits 24-31 module, 16-23 command, 8-15 option, 0-7 index,
// 32-39 subindex. An element of kStreamWildcard matches any value.
enum STREAM_KEY : uint8_t {
    STREAM_KEY_MODULE = 0,
    STREAM_KEY_COMMAND = 1,
    STREAM_KEY_OPTION = 2,
    STREAM_KEY_INDEX = 3,
    STREAM_KEY_SUBINDEX = 4,
};

constexpr uint8_t kStreamWildcard = 0xFF;

// One watched value: its exact key and the last sample.
struct StreamStatusEntry {
    uint64_t key;
    uint32_t value;
};

// Called on the Link's dispatcher thread with a copy of the stream packet, which lives for the
// call. The answer is not used.
using StreamCallback = std::function<uint8_t(const aPacket* packet, void* user)>;

}  // namespace Norvane::Lynkor
