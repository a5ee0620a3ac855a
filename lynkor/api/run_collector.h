#pragma once

// Collects the replies of one byte-array get on the link's reader thread, so that a long run
// cannot overflow the link's reply queue, whose bound (1000 packets) a run of 24 KB already
// reaches when the caller is slow to be scheduled.
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <optional>

#include "api/packet_taker.h"
#include "lynkor/aUEI.h"

namespace lynkor::api {

class RunCollector : public PacketTaker {
public:
    // Collects the replies to `request` (module, command, bare option, index), at most
    // `packetLimit` of them; those beyond are left to the reply queue.
    RunCollector(const uei& request, size_t packetLimit);

    bool take(const aPacket& packet) override;

    // The next packet of the run that `request` describes (its expected sequence), or an error
    // reply of the entity option; null once timeoutMs passes. Packets out of sequence stay.
    std::optional<aPacket> awaitNext(const uei& request, uint32_t timeoutMs);

private:
    uei request_;
    size_t packetLimit_;
    std::mutex mutex_;
    std::condition_variable arrived_;
    std::deque<aPacket> packets_;
};

}  // namespace lynkor::api
