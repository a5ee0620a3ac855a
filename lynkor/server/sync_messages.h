#pragma once

// What the broker and the sync task say to each other. Each request carries the number the
// broker gave it, and each report names the request it answers, so an answer can only reach the
// client that asked. Reports begin with two 0xFF bytes, which no packet can (its address would
// be odd and its length above 28), so nothing the device sends is ever taken for a report.
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "server/wire_packet.h"

namespace lynkor::server {

// A client's request: one packet, or every packet of a byte run in order. The device answers
// after the last one.
struct SyncRequest {
    uint32_t id = 0;
    uint64_t queuedAtMs = 0;
    std::vector<WirePacket> packets;
};

enum ReportKind : uint8_t {
    // No answer came (or the request could not be sent); the client's place in line is over.
    SERVER_CMD_DROPPED_PACKET = 0,
    // The answers follow, one packet each.
    SERVER_CMD_INCOMING_PACKETS = 1,
};

struct SyncReport {
    ReportKind kind = SERVER_CMD_DROPPED_PACKET;
    uint32_t id = 0;
    std::vector<WirePacket> answers;
};

std::vector<uint8_t> encodeRequest(const SyncRequest& request);
std::optional<SyncRequest> decodeRequest(std::span<const uint8_t> message);
std::vector<uint8_t> encodeReport(const SyncReport& report);
std::optional<SyncReport> decodeReport(std::span<const uint8_t> message);

}  // namespace lynkor::server
