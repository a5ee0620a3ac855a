#include "server/stream_batch.h"

namespace lynkor::server {

bool StreamBatch::offer(const WirePacket& packet) {
    const bool taken = isStreamSample(packet);
    if (taken) {
        appendWire(bytes_, packet);
    }
    // Heartbeats go on to the link, which answers them; they only pace the batches.
    if ((isHeartbeat(packet) && !bytes_.empty()) || bytes_.size() > kStreamBatchLimit) {
        send_(bytes_);
        bytes_.clear();
    }
    return taken;
}

}  // namespace lynkor::server
