#pragma once

// The fixed quantities of the serial boot loader's dialogue and of the chip's memory, and the
// small rules computed from them.
#include <array>
#include <cstddef>
#include <cstdint>

// The line rates the boot loader locks to, by the serial stream's rate index.
inline constexpr std::array<uint32_t, 8> kIspRates = {2400,  4800,  9600,   19200,
                                                      38400, 57600, 115200, 230400};
// The crystal frequency told to the boot loader after synchronisation, in kHz.
inline constexpr uint32_t kIspCrystalKHz = 14746;
// The code the unlock command must carry to allow erase, copy and go.
inline constexpr uint32_t kIspUnlockCode = 23130;

inline constexpr size_t kIspBytesPerLine = 45;
inline constexpr int kIspLinesPerChecksum = 20;
// A write command survives two "RESEND" answers; the third fails it.
inline constexpr int kIspResendBudget = 3;

// Images are staged here in RAM, one chunk at a time, and copied to flash from here.
inline constexpr uint32_t kIspRamStagingAddress = 0x10001000;
inline constexpr uint32_t kIspMaxChunk = 4096;
// A copy to flash starts on a page of this size.
inline constexpr uint32_t kIspFlashPage = 256;

// Flash: sixteen 4 KB sectors, then fourteen 32 KB sectors.
inline constexpr uint32_t kIspSmallSectorSize = 0x1000;
inline constexpr uint32_t kIspLargeSectorSize = 0x8000;
inline constexpr uint32_t kIspSmallSectorsEnd = 0x10000;
inline constexpr uint32_t kIspFlashEnd = 0x80000;
inline constexpr uint32_t kIspLastSector = 29;

// The rate index for a requested rate: 2400 and below give 2400, else the smallest listed rate
// not below the request; a request above the fastest rate falls back to 9600.
uint32_t ispRateIndex(uint32_t requestedRate);

// The sector holding an address; an address beyond the flash maps to the sector after the last.
uint32_t ispFlashSector(uint32_t address);

// The count a copy of `length` bytes uses: the smallest of 256, 512, 1024 and 4096 that holds
// it. A larger length is logged and returned as it is, for the copy command to refuse.
uint32_t ispCopyCount(uint32_t length);
bool isIspCopyCount(uint32_t count);
