#include "chip_memory.h"

#include <fstream>

namespace isp_sim {
namespace {

constexpr uint8_t kErased = 0xFF;
constexpr uint32_t kSmallSector = 0x1000;
constexpr uint32_t kLargeSector = 0x8000;
constexpr uint32_t kSmallSectorsEnd = 0x10000;

bool s_inside(uint32_t base, uint32_t size, uint32_t address, uint32_t count) {
    return address >= base && static_cast<uint64_t>(address - base) + count <= size;
}

}  // namespace

ChipMemory::ChipMemory() : flash_(kFlashSize, kErased), ram_(kRamSize, 0) {}

bool ChipMemory::inFlash(uint32_t address, uint32_t count) const {
    return s_inside(0, kFlashSize, address, count);
}

bool ChipMemory::inRam(uint32_t address, uint32_t count) const {
    return s_inside(kRamBase, kRamSize, address, count);
}

uint32_t ChipMemory::sectorOf(uint32_t flashAddress) {
    if (flashAddress < kSmallSectorsEnd) {
        return flashAddress / kSmallSector;
    }
    return kSmallSectorsEnd / kSmallSector + (flashAddress - kSmallSectorsEnd) / kLargeSector;
}

void ChipMemory::prepare(uint32_t first, uint32_t last) {
    for (uint32_t sector = first; sector <= last; ++sector) {
        prepared_[sector] = true;
    }
}

bool ChipMemory::prepared(uint32_t first, uint32_t last) const {
    for (uint32_t sector = first; sector <= last; ++sector) {
        if (!prepared_[sector]) {
            return false;
        }
    }
    return true;
}

void ChipMemory::erase(uint32_t first, uint32_t last) {
    for (uint32_t address = 0; address < kFlashSize; ++address) {
        const uint32_t sector = sectorOf(address);
        if (sector >= first && sector <= last) {
            flash_[address] = kErased;
        }
    }
    for (uint32_t sector = first; sector <= last; ++sector) {
        prepared_[sector] = false;
    }
}

void ChipMemory::program(uint32_t flashAddress, uint32_t ramAddress, uint32_t count) {
    for (uint32_t i = 0; i < count; ++i) {
        flash_[flashAddress + i] &= ram_[ramAddress - kRamBase + i];
    }
    for (uint32_t sector = sectorOf(flashAddress); sector <= sectorOf(flashAddress + count - 1);
         ++sector) {
        prepared_[sector] = false;
    }
}

uint8_t& ChipMemory::at(uint32_t address) {
    return address >= kRamBase ? ram_[address - kRamBase] : flash_[address];
}

bool writeDump(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out);
}

}  // namespace isp_sim
