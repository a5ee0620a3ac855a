#include "memory_image.h"

namespace sim {

void MemoryImage::start(uint32_t address, uint8_t flags) {
    Region& region = regions_[address];
    used_ -= region.bytes.size();
    region = Region{flags, {}};
}

bool MemoryImage::append(uint32_t address, const uint8_t* bytes, size_t count) {
    if (count > capacity_ - used_) {
        return false;
    }
    Bytes& region = regions_[address].bytes;
    region.insert(region.end(), bytes, bytes + count);
    used_ += count;
    return true;
}

void MemoryImage::erase() {
    regions_.clear();
    used_ = 0;
}

const MemoryImage::Region* MemoryImage::find(uint32_t address) const {
    auto found = regions_.find(address);
    return found == regions_.end() ? nullptr : &found->second;
}

}  // namespace sim
