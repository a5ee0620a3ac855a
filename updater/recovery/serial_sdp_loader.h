#pragma once

// The serial download protocol on a serial line: 115200 baud, 8 data bits, no parity, one stop
// bit, raw (no line-ending translation); reports go without their report ID.
#include <string>

#include "lynkor/aStream.h"
#include "recovery/sdp_loader_interface.h"

class Serial_SDPLoader : public SDPLoader_Interface {
public:
    // `portName` is a path, or a name looked up under /dev/.
    explicit Serial_SDPLoader(std::string portName) : portName_(std::move(portName)) {}
    ~Serial_SDPLoader() override;
    Serial_SDPLoader(const Serial_SDPLoader&) = delete;
    Serial_SDPLoader& operator=(const Serial_SDPLoader&) = delete;

    bool open() override;
    // A port that takes nothing for about a second ends the write short.
    size_t write(std::span<const uint8_t> report) override;
    // Waits `milliseconds`, then takes the bytes until none follows.
    size_t read(std::vector<uint8_t>& response, int milliseconds) override;
    bool statusWord(std::span<const uint8_t> response, size_t index, uint32_t& word) const override;

private:
    std::string portName_;
    aStream* stream_ = nullptr;
};
