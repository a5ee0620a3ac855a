// What a device sends back, fed as the link's reader thread would to the collector of a
// byte-array get and to a Link's stream state: whatever the packets hold, the received count
// stays within the buffer, nothing is written past it, and decoding a sample never reads past
// the packet.
//
// Input: the buffer's capacity (one byte), then packets as [address, length, data...]; a length
// above 28 is cut to 28.
#include <cstdint>
#include <cstring>
#include <memory>
#include <optional>
#include <vector>

#include "api/byte_run.h"
#include "api/run_collector.h"
#include "api/stream_state.h"

namespace {

aPacket s_nextPacket(const uint8_t*& data, size_t& size) {
    aPacket packet{};
    packet.check = aPACKET_CHECK;
    packet.address = data[0];
    const size_t length = std::min<size_t>({data[1], aPACKET_MAX_DATA, size - 2});
    packet.data_size = static_cast<uint8_t>(length);
    packet.cur_size = static_cast<uint8_t>(length + 2);
    std::memcpy(packet.data, data + 2, length);
    data += 2 + length;
    size -= 2 + length;
    return packet;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) {
        return 0;
    }
    const uint32_t capacity = data[0];
    ++data;
    --size;
    // Exactly the capacity, so that a write past it is caught.
    std::vector<uint8_t> buffer(capacity);
    uint32_t received = 0;
    uei run{};
    run.module = 4;
    run.command = 18;
    run.option = 3;
    run.index = 2;
    run.bytes = buffer.data();
    run.bytesLength = capacity;
    run.receivedCount = &received;
    run.ueiType = ueiTypeBytes;

    lynkor::api::StreamState streams;
    streams.insert(Norvane::Lynkor::Link::createStreamKey(4, 0xFF, 0xFF, 0xFF, 0xFF), nullptr);
    lynkor::api::RunCollector collector(run, capacity / UEI_BYTES_PAYLOAD_MAX + 16);
    bool ended = false;
    while (size >= 2) {
        const aPacket packet = s_nextPacket(data, size);
        if (!streams.take(packet)) {
            collector.take(packet);
        }
        uint64_t time = 0;
        uint32_t value = 0;
        uint8_t subindex = 0;
        Norvane::Lynkor::Link::getStreamSample(&packet, &time, &value, &subindex);
        while (!ended) {
            const std::optional<aPacket> next = collector.awaitNext(run, 0);
            if (!next.has_value()) {
                break;
            }
            const aErr result = lynkor::api::appendRunPacket(run, *next);
            ended = result != aErrNone || run.moreFollow == 0;
            if (received > capacity) {
                __builtin_trap();
            }
        }
    }
    return 0;
}
