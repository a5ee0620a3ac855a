// The plain UEI helpers: which packets carry the UEI layout, byte-array trailers, big-endian reads.
#include <algorithm>
#include <array>

#include "lynkor/aUEI.h"

namespace {

// Commands of the link itself and of other layouts, which carry no UEI payload.
constexpr std::array<uint8_t, 13> kNotUEICommands = {0,  1,  2,  4,  8,   9,  23,
                                                     24, 73, 94, 95, 173, 175};

// Data lengths that mark a run packet as full (devices of both trailer habits exist).
constexpr uint8_t kFullRunPacketShort = 27;
constexpr uint8_t kFullRunPacketLong = 28;

// A stream packet holds at least the header, the sample type and a trailer.
constexpr uint8_t kStreamPacketMinimum = 5;

bool s_hasData(const aPacket* packet) {
    return aPacket_IsValid(packet) && packet->data_size > 0 &&
           packet->data_size <= aPACKET_MAX_DATA;
}

bool s_isUEICommand(uint8_t command) {
    return std::find(kNotUEICommands.begin(), kNotUEICommands.end(), command) ==
           kNotUEICommands.end();
}

}  // namespace

extern "C" {

bool aUEI_isUEIPayload(const aPacket* packet) {
    return s_hasData(packet) && s_isUEICommand(packet->data[0]);
}

bool aUEI_isNotUEIPayload(const aPacket* packet) {
    return s_hasData(packet) && !s_isUEICommand(packet->data[0]);
}

bool aUEI_isStreamPacket(const aPacket* packet) {
    return aUEI_isUEIPayload(packet) && packet->data_size >= kStreamPacketMinimum &&
           packet->data[1] <= UEI_OPTION_MASK && (packet->data[2] & UEI_STREAM) != 0 &&
           (packet->data[2] & UEI_ERROR) == 0;
}

bool aUEI_getBytesContinue(const aPacket* packet) {
    return s_hasData(packet) && (packet->data[packet->data_size - 1] & UEI_BYTES_CONTINUE) != 0;
}

uint8_t aUEI_getBytesSequence(const aPacket* packet) {
    return s_hasData(packet) ? packet->data[packet->data_size - 1] & UEI_BYTES_SEQUENCE_MASK : 0;
}

bool aUEI_getBytesFullPacket(const aPacket* packet) {
    return s_hasData(packet) &&
           (packet->data_size == kFullRunPacketShort || packet->data_size == kFullRunPacketLong);
}

uint16_t aUEI_RetrieveShort(const uint8_t* bytes) {
    return static_cast<uint16_t>((bytes[0] << 8) | bytes[1]);
}

uint32_t aUEI_RetrieveInt(const uint8_t* bytes) {
    return (static_cast<uint32_t>(bytes[0]) << 24) | (static_cast<uint32_t>(bytes[1]) << 16) |
           (static_cast<uint32_t>(bytes[2]) << 8) | bytes[3];
}

aErr aUEI_ModifyIntBuffer(uint8_t* buffer, uint32_t count) {
    // The byte size must fit the 32-bit lengths that buffers travel with.
    if ((buffer == nullptr && count > 0) || count > UINT32_MAX / 4) {
        return aErrParam;
    }
    for (uint32_t word = 0; word < count; ++word) {
        uint8_t* bytes = buffer + static_cast<size_t>(word) * 4;
        const uint32_t value = aUEI_RetrieveInt(bytes);
        std::copy_n(reinterpret_cast<const uint8_t*>(&value), 4, bytes);
    }
    return aErrNone;
}
}
