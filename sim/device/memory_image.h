// What a device's upgrade protocol has put into one of its memories (flash, or the RAM a loader
// is put in): one region per load address that a prepare named, with the flags that came with
// it and the bytes written there since.
#pragma once

#include <cstdint>
#include <map>

#include "packet.h"

namespace sim {

class MemoryImage {
public:
    struct Region {
        uint8_t flags = 0;
        Bytes bytes;
    };

    explicit MemoryImage(size_t capacity) : capacity_(capacity) {}

    // Starts the region at `address` afresh, erasing what an earlier prepare put there.
    void start(uint32_t address, uint8_t flags);
    // Appends to the region at `address` (started if need be); false, and nothing written, when
    // the memory would overflow.
    bool append(uint32_t address, const uint8_t* bytes, size_t count);
    void erase();
    // Bytes that can still be appended.
    size_t room() const { return capacity_ - used_; }

    const std::map<uint32_t, Region>& regions() const { return regions_; }
    const Region* find(uint32_t address) const;

private:
    size_t capacity_;
    size_t used_ = 0;
    std::map<uint32_t, Region> regions_;
};

}  // namespace sim
