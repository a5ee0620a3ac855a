#include "recovery/isp_protocol.h"

#include "display/output.h"

namespace {

constexpr uint32_t kFallbackRateIndex = 2;  // 9600
constexpr std::array<uint32_t, 4> kCopyCounts = {256, 512, 1024, 4096};

}  // namespace

uint32_t ispRateIndex(uint32_t requestedRate) {
    for (uint32_t index = 0; index < kIspRates.size(); ++index) {
        if (requestedRate <= kIspRates[index]) {
            return index;
        }
    }
    return kFallbackRateIndex;
}

uint32_t ispFlashSector(uint32_t address) {
    if (address < kIspSmallSectorsEnd) {
        return address / kIspSmallSectorSize;
    }
    if (address < kIspFlashEnd) {
        return kIspSmallSectorsEnd / kIspSmallSectorSize +
               (address - kIspSmallSectorsEnd) / kIspLargeSectorSize;
    }
    return kIspLastSector + 1;
}

uint32_t ispCopyCount(uint32_t length) {
    for (uint32_t count : kCopyCounts) {
        if (length <= count) {
            return count;
        }
    }
    debugPrintf(DEBUG_NXPSerial, "Copy length is too large. %d > 4096.\n",
                static_cast<int>(length));
    return length;
}

bool isIspCopyCount(uint32_t count) {
    for (uint32_t allowed : kCopyCounts) {
        if (count == allowed) {
            return true;
        }
    }
    return false;
}
