#include "api/byte_run.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <thread>

#include "api/packet_ptr.h"
#include "api/uei_reply.h"
#include "link/link_table.h"
#include "lynkor/aTime.h"

namespace lynkor::api {

namespace {

// The trailer after the header and the payload.
constexpr uint8_t kRunOverhead = UEI_HEADER_SIZE + 1;
// How often a paced run looks at the outbound queue while it waits.
constexpr auto kQueuePoll = std::chrono::microseconds(50);
// A short run leaves the queue within about this long: waiting that on the processor spares the
// run's end a sleep, which costs more than the whole run.
constexpr auto kQueueSpin = std::chrono::microseconds(200);

// Keeps a run's packets flowing into a link's outbound queue without overflowing it. It counts
// what it queued since it last looked, so that it asks the queue only when it may be full.
class RunPacer {
public:
    explicit RunPacer(std::shared_ptr<lynkor::link::LinkRecord> link) : link_(std::move(link)) {}

    // Waits until the queue holds fewer than `limit` packets, counting the one about to be
    // queued: aErrTimeout when it does not shrink for kRunProgressLimitMs.
    aErr awaitBelow(uint32_t limit) {
        if (queued_ + 1 < limit) {
            return aErrNone;
        }
        queued_ = length();
        const auto spinEnd = std::chrono::steady_clock::now() + kQueueSpin;
        while (queued_ >= limit && std::chrono::steady_clock::now() < spinEnd) {
            std::this_thread::yield();
            queued_ = length();
        }
        uint32_t lastProgress = aTime_GetMSTicks();
        while (queued_ >= limit) {
            if (aTime_GetMSTicks() - lastProgress >= kRunProgressLimitMs) {
                return aErrTimeout;
            }
            std::this_thread::sleep_for(kQueuePoll);
            const uint32_t now = length();
            if (now < queued_) {
                lastProgress = aTime_GetMSTicks();
            }
            queued_ = now;
        }
        return aErrNone;
    }
    void queued() { ++queued_; }

private:
    uint32_t length() const { return aPacketFifo_GetLength(link_->outbound.load()); }

    std::shared_ptr<lynkor::link::LinkRecord> link_;
    // At least what the queue holds: it only shrinks behind the pacer's back.
    uint32_t queued_ = 0;
};

}  // namespace

aErr sendByteRun(aLinkRef link, const uei& request) {
    if (request.bytes == nullptr && request.bytesLength > 0) {
        return aErrParam;
    }
    std::shared_ptr<lynkor::link::LinkRecord> record = lynkor::link::sLookupEntryByID(link);
    if (record == nullptr) {
        return aErrConnection;
    }
    RunPacer pacer(std::move(record));
    uint8_t data[aPACKET_MAX_DATA] = {request.command, request.option, request.index};
    PacketPtr packet(aPacket_CreateWithData(request.module, UEI_HEADER_SIZE, data));
    if (packet == nullptr) {
        return aErrResource;
    }
    uint32_t offset = 0;
    uint8_t sequence = 0;
    bool more = false;
    do {
        const uint32_t chunk =
            std::min<uint32_t>(UEI_BYTES_PAYLOAD_MAX, request.bytesLength - offset);
        more = offset + chunk < request.bytesLength;
        if (chunk > 0) {
            std::memcpy(packet->data + UEI_HEADER_SIZE, request.bytes + offset, chunk);
        }
        packet->data[UEI_HEADER_SIZE + chunk] = static_cast<uint8_t>(
            (more ? UEI_BYTES_CONTINUE : 0) | (sequence & UEI_BYTES_SEQUENCE_MASK));
        packet->data_size = static_cast<uint8_t>(chunk + kRunOverhead);
        packet->cur_size = static_cast<uint8_t>(packet->data_size + 2);
        aErr result = pacer.awaitBelow(kRunQueueHighWater);
        if (result == aErrNone) {
            result = aLink_PutPacket(link, packet.get());
        }
        if (result != aErrNone) {
            return result;
        }
        pacer.queued();
        offset += chunk;
        ++sequence;
    } while (more);
    // The acknowledgement's wait starts once the last packet has left the queue.
    return pacer.awaitBelow(1);
}

bool isNextRunPacket(const aPacket& packet, const uei& request) {
    if (!isReplyTo(packet, request)) {
        return false;
    }
    if ((packet.data[2] & UEI_ERROR) != 0) {
        return true;
    }
    return packet.data_size >= kRunOverhead &&
           (packet.data[packet.data_size - 1] & UEI_BYTES_SEQUENCE_MASK) ==
               (request.expectedSequence & UEI_BYTES_SEQUENCE_MASK);
}

aErr appendRunPacket(uei& request, const aPacket& packet) {
    if ((packet.data[2] & UEI_ERROR) != 0) {
        return deviceErrorOf(packet);
    }
    if (packet.data_size < kRunOverhead || packet.data_size > aPACKET_MAX_DATA) {
        return aErrPacket;
    }
    const uint32_t payload = packet.data_size - kRunOverhead;
    const uint32_t stored = *request.receivedCount;
    if (stored > request.bytesLength || payload > request.bytesLength - stored) {
        return aErrMemory;
    }
    if (payload > 0) {
        std::memcpy(request.bytes + stored, packet.data + UEI_HEADER_SIZE, payload);
    }
    *request.receivedCount = stored + payload;
    const uint8_t trailer = packet.data[packet.data_size - 1];
    request.moreFollow = (trailer & UEI_BYTES_CONTINUE) != 0 ? 1 : 0;
    request.expectedSequence =
        static_cast<uint8_t>((request.expectedSequence + 1) & UEI_BYTES_SEQUENCE_MASK);
    return aErrNone;
}

}  // namespace lynkor::api
