#pragma once

// The device link's user filter while it is served: stream samples are taken out of the link
// and collected into batches of about 4 KB, which go to the clients that asked for streaming
// at each heartbeat or when the batch is full. Runs on the device link's reader thread alone.
#include <cstdint>
#include <functional>
#include <span>
#include <vector>

#include "server/wire_packet.h"

namespace lynkor::server {

// A batch is sent once it holds more than this; one more packet still fits in 4096 bytes.
constexpr size_t kStreamBatchLimit = 4065;

class StreamBatch {
public:
    using Sender = std::function<void(std::span<const uint8_t> batch)>;

    explicit StreamBatch(Sender send) : send_(std::move(send)) { bytes_.reserve(4096); }

    // True when the packet is a stream sample and has been taken.
    bool offer(const WirePacket& packet);

private:
    Sender send_;
    std::vector<uint8_t> bytes_;
};

}  // namespace lynkor::server
