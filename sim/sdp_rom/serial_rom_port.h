// The simulated ROM on a serial line, served on a pseudo-terminal: 16-byte commands and raw
// data in, the HAB-mode word and status or data bytes out, with no report IDs.
#pragma once

#include <chrono>
#include <memory>
#include <string>

#include "event_loop.h"
#include "fd_channel.h"
#include "pseudo_terminal.h"
#include "sdp_rom.h"

namespace sim {

class SerialRomPort {
public:
    SerialRomPort(EventLoop& loop, SdpRom& rom);

    const std::string& path() const { return terminal_.path(); }
    void send(const RomReplies& replies);
    // Bytes that the started program writes on the line, as a started program greets on its
    // console.
    void sendText(const std::string& text);

private:
    // A command cut short is dropped once the line has been quiet this long, so that stray
    // bytes (another boot loader's probe, line noise) do not shift every command after them.
    static constexpr std::chrono::milliseconds kPartialCommandTimeout{50};

    void onBytes(const uint8_t* bytes, size_t count);

    SdpRom& rom_;
    PseudoTerminal terminal_;
    std::unique_ptr<FdChannel> channel_;
    Bytes command_;
    std::chrono::steady_clock::time_point lastByte_;
};

}  // namespace sim
