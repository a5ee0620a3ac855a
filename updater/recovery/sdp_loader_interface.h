#pragma once

// The transport under the i.MX serial download driver: USB HID or a serial line. Callers build
// every report as a HID report (report ID first); a transport without report IDs drops it.
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

class SDPLoader_Interface {
public:
    // One read gathers at most this much, so a device that keeps sending cannot hold us.
    static constexpr size_t kReadLimitBytes = 4096;

    virtual ~SDPLoader_Interface() = default;

    virtual bool open() = 0;
    // Sends one report; returns the number of bytes that went out (fewer than given on failure).
    virtual size_t write(std::span<const uint8_t> report) = 0;
    // Appends what the device sends within about `milliseconds` (0: only what has arrived);
    // returns the number of bytes appended.
    virtual size_t read(std::vector<uint8_t>& response, int milliseconds) = 0;
    // Status word `index` of a complete response; false when the response is not complete.
    virtual bool statusWord(std::span<const uint8_t> response, size_t index,
                            uint32_t& word) const = 0;
};
