#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace lynkor {

// Bytes that a read had to give back, read again before anything new from the transport.
// Grows by whole steps so that a record of any length can be given back without loss.
class PushBackRing {
public:
    static constexpr size_t kGrowthStep = 512;

    bool empty() const { return count_ == 0; }
    size_t size() const { return count_; }
    // Appends after the bytes already held (they are read first).
    void append(const uint8_t* data, size_t length);
    // Puts bytes in front of those held, to be read before them.
    void prepend(const uint8_t* data, size_t length);
    // Takes the oldest byte; false when empty.
    bool take(uint8_t* byte);

private:
    void reserveFor(size_t extra);

    std::vector<uint8_t> buffer_;
    size_t read_ = 0;
    size_t count_ = 0;
};

}  // namespace lynkor
