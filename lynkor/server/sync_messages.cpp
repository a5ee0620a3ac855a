#include "server/sync_messages.h"

namespace lynkor::server {

namespace {

constexpr uint8_t kReportMark = 0xFF;
constexpr size_t kRequestHeaderSize = 12;
constexpr size_t kReportHeaderSize = 7;

void s_putBigEndian(std::vector<uint8_t>& out, uint64_t value, int bytes) {
    for (int shift = (bytes - 1) * 8; shift >= 0; shift -= 8) {
        out.push_back(static_cast<uint8_t>(value >> shift));
    }
}

uint64_t s_getBigEndian(std::span<const uint8_t> bytes) {
    uint64_t value = 0;
    for (uint8_t byte : bytes) {
        value = (value << 8) | byte;
    }
    return value;
}

}  // namespace

std::vector<uint8_t> encodeRequest(const SyncRequest& request) {
    std::vector<uint8_t> message;
    message.reserve(kRequestHeaderSize + request.packets.size() * aPACKET_MAX_WIRE_SIZE);
    s_putBigEndian(message, request.id, 4);
    s_putBigEndian(message, request.queuedAtMs, 8);
    for (const WirePacket& packet : request.packets) {
        appendWire(message, packet);
    }
    return message;
}

std::optional<SyncRequest> decodeRequest(std::span<const uint8_t> message) {
    if (message.size() <= kRequestHeaderSize) {
        return std::nullopt;
    }
    auto packets = parsePacketRun(message.subspan(kRequestHeaderSize));
    if (!packets) {
        return std::nullopt;
    }
    SyncRequest request;
    request.id = static_cast<uint32_t>(s_getBigEndian(message.first(4)));
    request.queuedAtMs = s_getBigEndian(message.subspan(4, 8));
    request.packets = std::move(*packets);
    return request;
}

std::vector<uint8_t> encodeReport(const SyncReport& report) {
    std::vector<uint8_t> message{kReportMark, kReportMark, report.kind};
    s_putBigEndian(message, report.id, 4);
    for (const WirePacket& packet : report.answers) {
        appendWire(message, packet);
    }
    return message;
}

std::optional<SyncReport> decodeReport(std::span<const uint8_t> message) {
    if (message.size() < kReportHeaderSize || message[0] != kReportMark ||
        message[1] != kReportMark || message[2] > SERVER_CMD_INCOMING_PACKETS) {
        return std::nullopt;
    }
    auto answers = parsePacketRun(message.subspan(kReportHeaderSize));
    if (!answers || (message[2] == SERVER_CMD_DROPPED_PACKET && !answers->empty())) {
        return std::nullopt;
    }
    SyncReport report;
    report.kind = static_cast<ReportKind>(message[2]);
    report.id = static_cast<uint32_t>(s_getBigEndian(message.subspan(3, 4)));
    report.answers = std::move(*answers);
    return report;
}

}  // namespace lynkor::server
