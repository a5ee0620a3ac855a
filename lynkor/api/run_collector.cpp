#include "api/run_collector.h"

#include <algorithm>
#include <chrono>

#include "api/byte_run.h"
#include "api/uei_reply.h"

namespace lynkor::api {

RunCollector::RunCollector(const uei& request, size_t packetLimit)
    : request_(request), packetLimit_(packetLimit) {}

bool RunCollector::take(const aPacket& packet) {
    // Packets too short for a run are no part of it; the reply queue may have them.
    const bool runShaped =
        (packet.data_size > UEI_HEADER_SIZE) ||
        (packet.data_size >= UEI_HEADER_SIZE && (packet.data[2] & UEI_ERROR) != 0);
    if (!runShaped || !isReplyTo(packet, request_)) {
        return false;
    }
    {
        std::lock_guard lock(mutex_);
        if (packets_.size() >= packetLimit_) {
            return false;
        }
        packets_.push_back(packet);
    }
    arrived_.notify_all();
    return true;
}

std::optional<aPacket> RunCollector::awaitNext(const uei& request, uint32_t timeoutMs) {
    std::unique_lock lock(mutex_);
    std::optional<aPacket> next;
    arrived_.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] {
        auto found = std::find_if(packets_.begin(), packets_.end(), [&](const aPacket& packet) {
            return isNextRunPacket(packet, request);
        });
        if (found == packets_.end()) {
            return false;
        }
        next = *found;
        packets_.erase(found);
        return true;
    });
    return next;
}

}  // namespace lynkor::api
