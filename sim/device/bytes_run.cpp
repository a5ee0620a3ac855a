#include "bytes_run.h"

#include <algorithm>

#include "protocol_codes.h"

namespace sim {

std::vector<Bytes> runPackets(const Bytes& header, const Bytes& value) {
    std::vector<Bytes> packets;
    size_t offset = 0;
    uint8_t sequence = 0;
    do {
        const size_t count = std::min(kRunPayload, value.size() - offset);
        Bytes data = header;
        data.insert(data.end(), value.begin() + static_cast<long>(offset),
                    value.begin() + static_cast<long>(offset + count));
        offset += count;
        const bool more = offset < value.size();
        data.push_back(static_cast<uint8_t>((more ? kRunMoreFollows : 0) | sequence));
        packets.push_back(std::move(data));
        sequence = (sequence + 1) & kRunSequenceMask;
    } while (offset < value.size());
    return packets;
}

IncomingRun::Step IncomingRun::feed(const uint8_t* payload, size_t count, uint8_t trailer) {
    const uint8_t sequence = trailer & kRunSequenceMask;
    // Past packet 127 the count wraps to 0 within the same run.
    const bool continues = state_ == State::Collecting && sequence == next_;
    if (!continues && sequence == 0) {
        state_ = State::Collecting;
        next_ = 0;
        bytes_.clear();
    } else if (!continues) {
        return state_ == State::Refused ? Step::Ignored : refuse(kErrPacket);
    }
    if (bytes_.size() + count > limit_) {
        return refuse(kErrSize);
    }
    bytes_.insert(bytes_.end(), payload, payload + count);
    next_ = (next_ + 1) & kRunSequenceMask;
    if (trailer & kRunMoreFollows) {
        return Step::More;
    }
    state_ = State::Idle;
    return Step::Done;
}

IncomingRun::Step IncomingRun::refuse(uint8_t code) {
    state_ = State::Refused;
    refusal_ = code;
    bytes_.clear();
    return Step::Refused;
}

}  // namespace sim
