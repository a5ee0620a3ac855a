// The SDP ROM simulator's control verbs, answered on its control socket:
//   history              every command and event so far, one "event ..." line each
//   regions              the written memory, one "region <address> <length>" line per stretch
//   memory ADDR COUNT    "memory <hex bytes>" of the simulated memory (both numbers hexadecimal)
//   silent on|off        answer nothing / answer again
//   reject on|off        refuse write files / take them
//   short on|off         cut status and data answers to 2 bytes / answer in full
//   status HEX           the status word after a write file's data
//   reset                back to the ROM after a jump: stops the hand-over, rejoins the bus
//   stop                 ends the simulator
// Each answer ends with "ok" or "error <reason>".
#pragma once

#include <string>
#include <vector>

#include "control_socket.h"
#include "event_loop.h"
#include "hand_over.h"
#include "hid_rom_port.h"
#include "sdp_rom.h"

namespace sim {

class RomControl {
public:
    // `hid` may be null when the ROM is not on the emulated bus.
    RomControl(EventLoop& loop, SdpRom& rom, HidRomPort* hid, HandOver& handOver);

    std::string endpoint() const { return socket_.endpoint(); }
    std::vector<std::string> execute(const std::string& line);

private:
    EventLoop& loop_;
    SdpRom& rom_;
    HidRomPort* hid_;
    HandOver& handOver_;
    ControlSocket socket_;
};

}  // namespace sim
