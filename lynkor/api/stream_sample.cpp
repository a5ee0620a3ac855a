// Stream keys and the decoding of stream samples.
#include "lynkor/Link.h"

namespace Norvane::Lynkor {

namespace {

constexpr int kSubindexShift = 32;
constexpr int kModuleShift = 24;
constexpr int kCommandShift = 16;
constexpr int kOptionShift = 8;

// Where a sample's fields start: after the header and the sample type byte.
constexpr uint8_t kSampleTypeByte = 3;
constexpr uint8_t kSampleBody = 4;

struct SampleLayout {
    uint8_t valueSize;
    uint8_t dataLength;
};

// By sample type 1-7; type 4 (a byte-array run) has no fixed layout.
bool s_layout(STREAM_PACKET type, SampleLayout& layout) {
    switch (type) {
        case STREAM_PACKET_BYTE:
            layout = {1, 14};
            return true;
        case STREAM_PACKET_SHORT:
            layout = {2, 15};
            return true;
        case STREAM_PACKET_INT:
            layout = {4, 17};
            return true;
        case STREAM_PACKET_SUBINDEX_BYTE:
            layout = {1, 15};
            return true;
        case STREAM_PACKET_SUBINDEX_SHORT:
            layout = {2, 16};
            return true;
        case STREAM_PACKET_SUBINDEX_INT:
            layout = {4, 18};
            return true;
        default:
            return false;
    }
}

}  // namespace

uint64_t Link::createStreamKey(uint8_t module, uint8_t command, uint8_t option, uint8_t index,
                               uint8_t subindex) {
    return (static_cast<uint64_t>(subindex) << kSubindexShift) |
           (static_cast<uint64_t>(module) << kModuleShift) |
           (static_cast<uint64_t>(command) << kCommandShift) |
           (static_cast<uint64_t>(option) << kOptionShift) | index;
}

uint8_t Link::getStreamKeyElement(uint64_t key, STREAM_KEY element) {
    switch (element) {
        case STREAM_KEY_MODULE:
            return static_cast<uint8_t>(key >> kModuleShift);
        case STREAM_KEY_COMMAND:
            return static_cast<uint8_t>(key >> kCommandShift);
        case STREAM_KEY_OPTION:
            return static_cast<uint8_t>(key >> kOptionShift);
        case STREAM_KEY_INDEX:
            return static_cast<uint8_t>(key);
        case STREAM_KEY_SUBINDEX:
            return static_cast<uint8_t>(key >> kSubindexShift);
    }
    return 0;
}

bool Link::isStreamPacket(const aPacket* packet) {
    return aUEI_isStreamPacket(packet);
}

bool Link::getStreamPacketType(const aPacket* packet, STREAM_PACKET* type) {
    if (!isStreamPacket(packet) || type == nullptr) {
        return false;
    }
    const bool trailerSet = packet->data[packet->data_size - 1] != 0;
    *type = trailerSet ? STREAM_PACKET_BYTES
                       : static_cast<STREAM_PACKET>(packet->data[kSampleTypeByte]);
    return true;
}

bool Link::isSubindexType(STREAM_PACKET type) {
    return type == STREAM_PACKET_SUBINDEX_BYTE || type == STREAM_PACKET_SUBINDEX_SHORT ||
           type == STREAM_PACKET_SUBINDEX_INT;
}

aErr Link::getStreamSample(const aPacket* packet, uint64_t* time, uint32_t* value,
                           uint8_t* subindex) {
    STREAM_PACKET type = STREAM_PACKET_UNKNOWN;
    if (!getStreamPacketType(packet, &type)) {
        return aErrPacket;
    }
    if (type == STREAM_PACKET_BYTES) {
        return aErrSize;
    }
    SampleLayout layout{};
    if (!s_layout(type, layout)) {
        return aErrUnknown;
    }
    if (packet->data_size != layout.dataLength) {
        return aErrPacket;
    }
    const uint8_t* body = packet->data + kSampleBody;
    uint8_t sampleSubindex = 0;
    if (isSubindexType(type)) {
        sampleSubindex = *body++;
    }
    const uint64_t stamp =
        (static_cast<uint64_t>(aUEI_RetrieveInt(body)) << 32) | aUEI_RetrieveInt(body + 4);
    const uint8_t* valueBytes = body + 8;
    uint32_t sample = valueBytes[0];
    if (layout.valueSize == 2) {
        sample = aUEI_RetrieveShort(valueBytes);
    } else if (layout.valueSize == 4) {
        sample = aUEI_RetrieveInt(valueBytes);
    }
    if (time != nullptr) {
        *time = stamp;
    }
    if (value != nullptr) {
        *value = sample;
    }
    if (subindex != nullptr) {
        *subindex = sampleSubindex;
    }
    return aErrNone;
}

bool Link::isStreamSample(const aPacket* packet) {
    return getStreamSample(packet, nullptr, nullptr, nullptr) == aErrNone;
}

void Link::getTimestampParts(uint64_t time, uint32_t* high, uint32_t* low) {
    if (high != nullptr) {
        *high = static_cast<uint32_t>(time >> 32);
    }
    if (low != nullptr) {
        *low = static_cast<uint32_t>(time);
    }
}

}  // namespace Norvane::Lynkor
