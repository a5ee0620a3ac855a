#include "server/wire_packet.h"

#include <algorithm>

#include "lynkor/aLink.h"
#include "lynkor/aUEI.h"

namespace lynkor::server {

namespace {

constexpr uint8_t kFrameHeaderSize = 2;
// cmdLINK's set of option 1 with a 32-bit stream key.
constexpr uint8_t kStreamEnableOption = UEI_SET | 1;
constexpr uint8_t kStreamEnableLength = 7;
constexpr uint8_t kHeartbeatCommand = 0;
constexpr uint8_t kHeartbeatLength = 2;

// The packet record that the typed-exchange helpers read.
aPacket s_record(const WirePacket& packet) {
    aPacket record{};
    record.check = aPACKET_CHECK;
    record.address = packet.address();
    record.data_size = packet.dataLength();
    record.cur_size = static_cast<uint8_t>(packet.size());
    std::copy(packet.data(), packet.data() + packet.dataLength(), record.data);
    return record;
}

}  // namespace

std::optional<WirePacket> parsePacketFrame(std::span<const uint8_t> frame) {
    if (frame.size() < kFrameHeaderSize || frame.size() > aPACKET_MAX_WIRE_SIZE ||
        frame[1] > aPACKET_MAX_DATA || frame.size() != frame[1] + 2u || frame[0] == 0) {
        return std::nullopt;
    }
    WirePacket packet;
    std::copy(frame.begin(), frame.end(), packet.bytes.begin());
    return packet;
}

std::optional<std::vector<WirePacket>> parsePacketRun(std::span<const uint8_t> bytes) {
    std::vector<WirePacket> packets;
    while (!bytes.empty()) {
        if (bytes.size() < kFrameHeaderSize) {
            return std::nullopt;
        }
        const size_t size = std::min<size_t>(bytes[1] + 2u, bytes.size());
        std::optional<WirePacket> packet = parsePacketFrame(bytes.first(size));
        if (!packet) {
            return std::nullopt;
        }
        packets.push_back(*packet);
        bytes = bytes.subspan(size);
    }
    return packets;
}

void appendWire(std::vector<uint8_t>& out, const WirePacket& packet) {
    const auto wire = packet.wire();
    out.insert(out.end(), wire.begin(), wire.end());
}

std::optional<WirePacket> fromPacket(const aPacket* packet) {
    WirePacket wire;
    size_t length = 0;
    if (aPacket_GetBytes(packet, wire.bytes.data(), wire.bytes.size(), &length) != aErrNone) {
        return std::nullopt;
    }
    return wire;
}

aPacket* toPacket(const WirePacket& packet) {
    return aPacket_CreateWithData(packet.address(), packet.dataLength(), packet.data());
}

bool isUeiPacket(const WirePacket& packet) {
    const aPacket record = s_record(packet);
    return packet.dataLength() >= UEI_HEADER_SIZE && aUEI_isUEIPayload(&record);
}

bool isContinuation(const WirePacket& packet) {
    const aPacket record = s_record(packet);
    return isUeiPacket(packet) && aUEI_getBytesFullPacket(&record) &&
           aUEI_getBytesContinue(&record);
}

uint8_t runSequence(const WirePacket& packet) {
    const aPacket record = s_record(packet);
    return aUEI_getBytesSequence(&record);
}

bool startsByteRun(const WirePacket& packet) {
    return isContinuation(packet) && packet.dataLength() == aPACKET_MAX_DATA &&
           runSequence(packet) == 0;
}

bool isRouteSwitch(const WirePacket& packet) {
    return packet.address() == aLINK_ROUTE_ADDRESS && packet.dataLength() == 1;
}

bool enablesStreaming(const WirePacket& packet) {
    return packet.dataLength() == kStreamEnableLength && packet.data()[0] == cmdLINK &&
           packet.data()[1] == kStreamEnableOption;
}

bool isStreamSample(const WirePacket& packet) {
    const aPacket record = s_record(packet);
    return aUEI_isStreamPacket(&record);
}

bool isHeartbeat(const WirePacket& packet) {
    return packet.dataLength() == kHeartbeatLength && packet.data()[0] == kHeartbeatCommand;
}

bool expectsAnswer(const WirePacket& packet) {
    return !isRouteSwitch(packet) && !isContinuation(packet);
}

}  // namespace lynkor::server
