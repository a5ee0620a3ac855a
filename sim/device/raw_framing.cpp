#include "raw_framing.h"

namespace sim {

std::optional<Packet> RawPacketAssembler::feed(uint8_t byte) {
    if (pending_.empty() && byte == 0) {
        ++dropped_;
        return std::nullopt;
    }
    pending_.push_back(byte);
    if (pending_.size() == 2 && byte > kMaxPacketData) {
        dropped_ += pending_.size();
        pending_.clear();
        return std::nullopt;
    }
    if (pending_.size() < 2 || pending_.size() != pending_[1] + 2u) {
        return std::nullopt;
    }
    Packet packet{pending_[0], Bytes(pending_.begin() + 2, pending_.end())};
    pending_.clear();
    return packet;
}

}  // namespace sim
