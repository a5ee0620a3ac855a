#include "recovery/hid_sdp_loader.h"

#include <algorithm>

#include "display/output.h"
#include "recovery/sdp_reports.h"

HID_SDPLoader::~HID_SDPLoader() {
    if (device_ != nullptr) {
        aHid_Destroy(&device_);
    }
}

bool HID_SDPLoader::open() {
    if (aHid_Open(vendorId_, productId_, &device_) != aErrNone) {
        return false;
    }
    debugPrintf(DEBUG_iMXSerial, "handle: %p\n", static_cast<void*>(device_));
    return true;
}

size_t HID_SDPLoader::write(std::span<const uint8_t> report) {
    return aHid_Write(device_, report.data(), report.size()) == aErrNone ? report.size() : 0;
}

size_t HID_SDPLoader::read(std::vector<uint8_t>& response, int milliseconds) {
    const size_t before = response.size();
    uint8_t report[kInputReportSize];
    size_t received = 0;
    while (response.size() - before < kReadLimitBytes &&
           aHid_Read(device_, report, sizeof report, &received,
                     static_cast<uint32_t>(std::max(milliseconds, 0))) == aErrNone) {
        const size_t counted = report[0] == sdp::kHabModeReportId
                                   ? std::min(received, sdp::kHabModeReportSize)
                                   : received;
        response.insert(response.end(), report, report + counted);
    }
    return response.size() - before;
}

bool HID_SDPLoader::statusWord(std::span<const uint8_t> response, size_t index,
                               uint32_t& word) const {
    const auto found = sdp::hidStatusWord(response, index);
    word = found.value_or(0);
    return found.has_value();
}
