#include "stream/push_back_ring.h"

namespace lynkor {

void PushBackRing::reserveFor(size_t extra) {
    // One slot always stays free, as the ring's original layout kept it.
    if (count_ + extra < buffer_.size()) {
        return;
    }
    size_t capacity = buffer_.size();
    while (count_ + extra >= capacity) {
        capacity += kGrowthStep;
    }
    std::vector<uint8_t> grown(capacity);
    for (size_t i = 0; i < count_; ++i) {
        grown[i] = buffer_[(read_ + i) % buffer_.size()];
    }
    buffer_ = std::move(grown);
    read_ = 0;
}

void PushBackRing::append(const uint8_t* data, size_t length) {
    reserveFor(length);
    for (size_t i = 0; i < length; ++i) {
        buffer_[(read_ + count_) % buffer_.size()] = data[i];
        ++count_;
    }
}

void PushBackRing::prepend(const uint8_t* data, size_t length) {
    reserveFor(length);
    for (size_t i = length; i > 0; --i) {
        read_ = (read_ + buffer_.size() - 1) % buffer_.size();
        buffer_[read_] = data[i - 1];
        ++count_;
    }
}

bool PushBackRing::take(uint8_t* byte) {
    if (count_ == 0) {
        return false;
    }
    *byte = buffer_[read_];
    read_ = (read_ + 1) % buffer_.size();
    --count_;
    return true;
}

}  // namespace lynkor
