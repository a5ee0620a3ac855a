#pragma once

// The serial download protocol over USB HID reports.
#include <cstdint>

#include "lynkor/aHid.h"
#include "recovery/sdp_loader_interface.h"

class HID_SDPLoader : public SDPLoader_Interface {
public:
    HID_SDPLoader(uint16_t vendorId, uint16_t productId)
        : vendorId_(vendorId), productId_(productId) {}
    ~HID_SDPLoader() override;
    HID_SDPLoader(const HID_SDPLoader&) = delete;
    HID_SDPLoader& operator=(const HID_SDPLoader&) = delete;

    bool open() override;
    size_t write(std::span<const uint8_t> report) override;
    // Reads reports until one does not come within `milliseconds`. The HAB-mode report counts
    // with its first 5 bytes, whatever length the device gave it.
    size_t read(std::vector<uint8_t>& response, int milliseconds) override;
    bool statusWord(std::span<const uint8_t> response, size_t index, uint32_t& word) const override;

private:
    static constexpr size_t kInputReportSize = 65;

    uint16_t vendorId_;
    uint16_t productId_;
    aHid* device_ = nullptr;
};
