#pragma once

// One link packet as it travels between clients, the server and the device: address, length,
// data. The rules here decide what the broker and the sync task do with a packet; both use the
// same ones, so they always agree on which requests get an answer.
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "lynkor/aPacket.h"

namespace lynkor::server {

struct WirePacket {
    std::array<uint8_t, aPACKET_MAX_WIRE_SIZE> bytes{};

    uint8_t address() const { return bytes[0]; }
    uint8_t dataLength() const { return bytes[1]; }
    const uint8_t* data() const { return bytes.data() + 2; }
    size_t size() const { return dataLength() + 2u; }
    std::span<const uint8_t> wire() const { return {bytes.data(), size()}; }
};

// A frame is exactly one packet: 2 to 30 bytes, its size the data length + 2, a data length of
// at most 28 and a non-zero address. Anything else is refused.
std::optional<WirePacket> parsePacketFrame(std::span<const uint8_t> frame);
// Packets back to back, as in a stream batch or an answer set; null when any of them is bad or
// bytes are left over.
std::optional<std::vector<WirePacket>> parsePacketRun(std::span<const uint8_t> bytes);
void appendWire(std::vector<uint8_t>& out, const WirePacket& packet);

std::optional<WirePacket> fromPacket(const aPacket* packet);
// A new packet that the caller owns (aPacket_Destroy); null when memory is short.
aPacket* toPacket(const WirePacket& packet);

// Typed value exchanges carry command, option and index bytes (the library's UEI rules).
bool isUeiPacket(const WirePacket& packet);
// A byte run packet that says more follows: a full UEI packet (27 or 28 data bytes) whose last
// data byte has bit 7 set. The device answers only the run's last packet.
bool isContinuation(const WirePacket& packet);
// Bits 0-6 of the last data byte of a byte run packet, counted modulo 128.
uint8_t runSequence(const WirePacket& packet);
// The first packet of a byte run from a client: 28 data bytes, more follows, sequence 0.
bool startsByteRun(const WirePacket& packet);
// A packet to the route switch address with one data byte; it belongs to the device link's
// own life, never to a client.
bool isRouteSwitch(const WirePacket& packet);
// cmdLINK with the set of option 1: the client asks for stream samples.
bool enablesStreaming(const WirePacket& packet);
// A value report that the device sends on its own (stream flag in the index byte).
bool isStreamSample(const WirePacket& packet);
bool isHeartbeat(const WirePacket& packet);
// Whether the device answers this packet: everything but route switches and byte run
// continuations.
bool expectsAnswer(const WirePacket& packet);

}  // namespace lynkor::server
