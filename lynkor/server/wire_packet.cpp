#include "server/wire_packet.h"

#include <algorithm>
#include <cstring>

#include "lynkor/aLink.h"

namespace lynkor::server {

namespace {

constexpr uint8_t kFrameHeaderSize = 2;
constexpr uint8_t s_notUeiCommands[] = {0, 1, 2, 4, 8, 9, 23, 24, 73, 94, 95, 173, 175};
constexpr uint8_t kUeiHeaderSize = 3;
constexpr uint8_t kRunFullShort = 27;
constexpr uint8_t kRunFullLong = 28;
constexpr uint8_t kRunMoreFollows = 0x80;
constexpr uint8_t kRunSequenceMask = 0x7F;
constexpr uint8_t kCmdLink = 93;
constexpr uint8_t kStreamEnableOption = 0x81;
constexpr uint8_t kStreamEnableLength = 7;
constexpr uint8_t kOptionFlags = 0xC0;
constexpr uint8_t kStreamFlag = 0x40;
constexpr uint8_t kStreamSampleMinLength = 5;
constexpr uint8_t kHeartbeatCommand = 0;
constexpr uint8_t kHeartbeatLength = 2;

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
    return packet.dataLength() >= kUeiHeaderSize &&
           std::find(std::begin(s_notUeiCommands), std::end(s_notUeiCommands), packet.data()[0]) ==
               std::end(s_notUeiCommands);
}

bool isContinuation(const WirePacket& packet) {
    const uint8_t length = packet.dataLength();
    return isUeiPacket(packet) && (length == kRunFullShort || length == kRunFullLong) &&
           (packet.data()[length - 1] & kRunMoreFollows) != 0;
}

uint8_t runSequence(const WirePacket& packet) {
    return packet.dataLength() == 0 ? 0 : packet.data()[packet.dataLength() - 1] & kRunSequenceMask;
}

bool startsByteRun(const WirePacket& packet) {
    return isContinuation(packet) && packet.dataLength() == kRunFullLong &&
           runSequence(packet) == 0;
}

bool isRouteSwitch(const WirePacket& packet) {
    return packet.address() == aLINK_ROUTE_ADDRESS && packet.dataLength() == 1;
}

bool enablesStreaming(const WirePacket& packet) {
    return packet.dataLength() == kStreamEnableLength && packet.data()[0] == kCmdLink &&
           packet.data()[1] == kStreamEnableOption;
}

bool isStreamSample(const WirePacket& packet) {
    return isUeiPacket(packet) && packet.dataLength() >= kStreamSampleMinLength &&
           (packet.data()[1] & kOptionFlags) == 0 && (packet.data()[2] & kStreamFlag) != 0;
}

bool isHeartbeat(const WirePacket& packet) {
    return packet.dataLength() == kHeartbeatLength && packet.data()[0] == kHeartbeatCommand;
}

bool expectsAnswer(const WirePacket& packet) {
    return !isRouteSwitch(packet) && !isContinuation(packet);
}

}  // namespace lynkor::server
