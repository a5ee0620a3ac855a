// The simulated chip's memories: flash in sectors that must be prepared before each erase or
// program and that programming can only clear bits of, and RAM that the write command fills.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace isp_sim {

class ChipMemory {
public:
    static constexpr uint32_t kFlashSize = 0x80000;
    static constexpr uint32_t kRamBase = 0x10000000;
    static constexpr uint32_t kRamSize = 0x8000;
    static constexpr uint32_t kSectorCount = 30;

    ChipMemory();

    bool inFlash(uint32_t address, uint32_t count) const;
    bool inRam(uint32_t address, uint32_t count) const;
    // 16 sectors of 4 KB, then 14 of 32 KB.
    static uint32_t sectorOf(uint32_t flashAddress);

    void prepare(uint32_t first, uint32_t last);
    // Whether every sector from first to last is prepared.
    bool prepared(uint32_t first, uint32_t last) const;
    // Erases the sectors and takes their preparation back.
    void erase(uint32_t first, uint32_t last);
    // Programs flash from RAM (both ranges checked by the caller) and takes the preparation of
    // the sectors it touched back.
    void program(uint32_t flashAddress, uint32_t ramAddress, uint32_t count);

    // The byte at an address of flash or RAM (checked by the caller).
    uint8_t& at(uint32_t address);

    const std::vector<uint8_t>& flash() const { return flash_; }
    const std::vector<uint8_t>& ram() const { return ram_; }

private:
    std::vector<uint8_t> flash_;
    std::vector<uint8_t> ram_;
    std::array<bool, kSectorCount> prepared_{};
};

// Writes bytes to a file; false when it cannot.
bool writeDump(const std::string& path, const std::vector<uint8_t>& bytes);

}  // namespace isp_sim
