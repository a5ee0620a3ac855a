// The simulated ROM as the USB HID device it is in serial download mode: reports 1 (command) and
// 2 (data) in, reports 3 (HAB mode) and 4 (status or data, 64 bytes each) out.
#pragma once

#include <string>

#include "event_loop.h"
#include "loop_endpoint.h"
#include "sdp_rom.h"

namespace sim {

class HidRomPort {
public:
    static constexpr uint16_t kVendorId = 0x1FC9;
    static constexpr uint16_t kProductId = 0x0130;

    // Serves the ROM as <directory>/sdp_rom.hid.
    HidRomPort(EventLoop& loop, SdpRom& rom, const std::string& directory);

    const std::string& path() const { return endpoint_.endpoint().path(); }
    void send(const RomReplies& replies);
    // The processor left the ROM: the device goes from the bus, and comes back on reset.
    void leaveBus() { endpoint_.endpoint().unplug(); }
    bool rejoinBus() { return endpoint_.endpoint().plugIn(); }

private:
    static constexpr size_t kStatusPayloadSize = 64;

    void onReport(const Bytes& report);

    SdpRom& rom_;
    LoopEndpoint endpoint_;
};

}  // namespace sim
