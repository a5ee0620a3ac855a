#include "lynkor/aPacket.h"

#include <cstdlib>
#include <cstring>

namespace {

aPacket* s_allocate() {
    auto* packet = static_cast<aPacket*>(std::calloc(1, sizeof(aPacket)));
    if (packet != nullptr) {
        packet->check = aPACKET_CHECK;
    }
    return packet;
}

// The accessors tell a missing out-pointer (aErrParam) from a bad or short packet (aErrPacket).
aErr s_getDataByte(const aPacket* packet, uint8_t* out, uint8_t position, uint8_t mask) {
    if (out == nullptr) {
        return aErrParam;
    }
    if (!aPacket_IsValid(packet) || packet->data_size <= position) {
        return aErrPacket;
    }
    *out = packet->data[position] & mask;
    return aErrNone;
}

}  // namespace

extern "C" {

aPacket* aPacket_Create(void) { return s_allocate(); }

aPacket* aPacket_CreateWithData(uint8_t address, uint8_t length, const uint8_t* data) {
    if (data == nullptr || length > aPACKET_MAX_DATA) {
        return nullptr;
    }
    aPacket* packet = s_allocate();
    if (packet == nullptr) {
        return nullptr;
    }
    packet->address = address;
    packet->data_size = length;
    packet->cur_size = static_cast<uint8_t>(length + 2);
    std::memcpy(packet->data, data, length);
    return packet;
}

aPacket* aPacket_Copy(const aPacket* source) {
    if (!aPacket_IsValid(source) || source->data_size > aPACKET_MAX_DATA) {
        return nullptr;
    }
    return aPacket_CreateWithData(source->address, source->data_size, source->data);
}

aErr aPacket_Destroy(aPacket** packet) {
    if (packet == nullptr || *packet == nullptr) {
        return aErrParam;
    }
    // Clear the mark so that a dangling pointer to the freed record is not taken for a packet.
    (*packet)->check = 0;
    std::free(*packet);
    *packet = nullptr;
    return aErrNone;
}

aErr aPacket_Reset(aPacket* packet) {
    if (!aPacket_IsValid(packet)) {
        return aErrParam;
    }
    packet->cur_size = 0;
    packet->address = 0;
    packet->data_size = 0;
    std::memset(packet->data, 0, sizeof packet->data);
    return aErrNone;
}

aErr aPacket_AddByte(aPacket* packet, uint8_t byte) {
    if (!aPacket_IsValid(packet)) {
        return aErrParam;
    }
    // The count grows even when the byte is refused: a refused packet can only be reset.
    if (packet->cur_size < UINT8_MAX) {
        ++packet->cur_size;
    }
    if (packet->cur_size > aPACKET_MAX_WIRE_SIZE) {
        return aErrOverrun;
    }
    if (packet->address == 0) {
        if (byte == 0) {
            return aErrPacket;
        }
        packet->address = byte;
        return aErrNone;
    }
    if (packet->data_size == 0) {
        packet->data_size = byte;
        return byte > aPACKET_MAX_DATA ? aErrPacket : aErrNone;
    }
    if (packet->cur_size > packet->data_size + 2) {
        return aErrPacket;
    }
    packet->data[packet->cur_size - 3] = byte;
    return aErrNone;
}

bool aPacket_IsValid(const aPacket* packet) {
    return packet != nullptr && packet->check == aPACKET_CHECK;
}

bool aPacket_IsComplete(const aPacket* packet) {
    return aPacket_IsValid(packet) && packet->cur_size == packet->data_size + 2;
}

aErr aPacket_GetBytes(const aPacket* packet, uint8_t* buffer, size_t size, size_t* length) {
    if (!aPacket_IsValid(packet) || buffer == nullptr || packet->data_size > aPACKET_MAX_DATA) {
        return aErrParam;
    }
    const size_t wireSize = packet->data_size + 2u;
    if (size < wireSize) {
        return aErrOverrun;
    }
    buffer[0] = packet->address;
    buffer[1] = packet->data_size;
    std::memcpy(buffer + 2, packet->data, packet->data_size);
    if (length != nullptr) {
        *length = wireSize;
    }
    return aErrNone;
}

aErr aPacket_GetCmd(const aPacket* packet, uint8_t* command) {
    return s_getDataByte(packet, command, 0, 0xFF);
}

aErr aPacket_GetOption(const aPacket* packet, uint8_t* option) {
    return s_getDataByte(packet, option, 1, 0x3F);
}

aErr aPacket_GetIndex(const aPacket* packet, uint8_t* index) {
    return s_getDataByte(packet, index, 2, 0x1F);
}

}
