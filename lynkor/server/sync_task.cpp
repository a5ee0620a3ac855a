#include "server/sync_task.h"

namespace lynkor::server {

namespace {

// A typed request is answered from the address it went to with the same command; anything else
// the device sends meanwhile is not its answer. Other requests (the address query among them,
// answered from the module's own address) take the next packet.
SyncDevice::Match s_answerMatch(const WirePacket& request) {
    if (!isUeiPacket(request)) {
        return [](const WirePacket&) { return true; };
    }
    const uint8_t address = request.address();
    const uint8_t command = request.data()[0];
    return [address, command](const WirePacket& answer) {
        return answer.address() == address && answer.dataLength() > 0 &&
               answer.data()[0] == command;
    };
}

}  // namespace

SyncReport SyncTask::handle(const SyncRequest& request) {
    SyncReport report{SERVER_CMD_DROPPED_PACKET, request.id, {}};
    if (request.packets.empty() || !expectsAnswer(request.packets.back()) ||
        device_.nowMs() - request.queuedAtMs > kLongestClientWaitMs) {
        return report;
    }
    device_.drainInbound();
    for (const WirePacket& packet : request.packets) {
        if (!device_.send(packet)) {
            return report;
        }
    }
    const SyncDevice::Match match = s_answerMatch(request.packets.back());
    while (report.answers.size() < kMaxAnswerPackets) {
        std::optional<WirePacket> answer = device_.awaitAnswer(match, kAnswerWaitMs);
        if (!answer) {
            break;
        }
        report.answers.push_back(*answer);
        if (!isContinuation(*answer)) {
            break;
        }
    }
    if (!report.answers.empty()) {
        report.kind = SERVER_CMD_INCOMING_PACKETS;
    }
    return report;
}

}  // namespace lynkor::server
