// A line-based control socket through which a test or a person drives the simulated devices.
// Every request is one line; the answer is zero or more lines, then "ok" or "error <reason>".
// Numbers are decimal or 0x-hexadecimal; HEX is pairs of hexadecimal digits (spaces allowed
// where it ends the line); SERIAL is a device's hexadecimal serial number.
//
// SERIAL names a device by the serial number it was started with, whatever it shows now.
//
//   stop                                  end the simulator
//   stats SERIAL                          "stats name=value ..." (see below)
//   clear SERIAL                          zero the counters (the upgrade counts too), forget the
//                                         history and the upgrade log
//   history SERIAL                        "rx <wire bytes in hex>" per packet received, oldest
//                                         first (the last 256; a router sees its devices' too)
//   heartbeat SERIAL 0|1                  send a heartbeat (0 up, 1 down)
//   packet SERIAL HEX                     send a packet with these data bytes
//   raw SERIAL HEX                        send these bytes outside any framing
//   mute SERIAL on|off                    hear but answer nothing (nor forward, nor stream)
//   hangup SERIAL                         drop the host connections (USB: leave and rejoin the
//                                         bus)
//   reply-delay SERIAL MS                 hold back every answer MS ms
//   usb-busy SERIAL on|off                refuse (or again allow) USB claims by hosts
// A device behind a router has no connections of its own: packet, raw and its streams go out
// through the router's, hangup and heartbeat do nothing for it, and muting the router silences
// it too.
//
// The property table (UEI values):
//   get SERIAL CMD OPT IDX [SUB]          "value N", "void", or for byte arrays
//                                         "bytes length=N digest=XXXXXXXX hex=HEX"
//   prop SERIAL CMD OPT IDX [SUB] [type=void|u8|u16|u32|bytes] [value=N|HEX]
//        [access=ro|rw|wo]                define a property or change the given parts of one
//   name SERIAL TEXT                      the device name (system option 32), up to the line end
// The digest is FNV-1a over the bytes (testing_support::DeviceSim::digest).
//
// Fault rules, tried in the order given against every request to the device:
//   fault SERIAL cmd=N [opt=N] [idx=N] [sub=N] [dir=get|set]
//         action=drop|delay:MS|error:CODE|reply:HEX|short|badsum [times=N]
//                                         "rule ID"; without times= the rule fires for ever.
//                                         opt, idx and sub compare data bytes 1-3 (for UEI
//                                         commands the option code and entity index)
//   faults SERIAL                         "rule ID cmd=... action=... fired=N left=N|forever"
//   clear-faults SERIAL [ID]              remove one rule or all
// For the upgrade command (cmd=95) opt= compares the sub-command, 138 for the packets of the
// byte-array write of option 10 (so times=1 catches its first packet), and:
//   action=drop        no reply: the request is lost (a DATA or WRITE takes nothing)
//   action=delay:MS    a late reply
//   action=error:CODE  PREPARE, SUM, WRITE: a status reply with CODE as status (the other
//                      fields 0); DATA: nothing taken; a byte-array packet: the run refused
//   action=reply:HEX   any reply in place of the real one, e.g. a short one (5F0700 to a
//                      PREPARE) or one with block size 0 (5F07000000)
//   action=short       DATA and byte-array packets: one byte fewer taken than sent
//   action=badsum      SUM: one more than the true sum reported
//
// The upgrade protocol (command 95, see upgrade_protocol.h) and restarts:
//   upgrade SERIAL [NAME=VALUE ...]       change the given settings, then answer two lines:
//     "upgrade mode=app|loader block=N base=0xXXXXXXXX load=L reboot=R build-after=N
//      version-after=V|keep serial-after=XXXXXXXX verify-ms=N uei=on|off pooled=on|off
//      die-after=N|off"
//     "counts init=N data=N load=N prepare=N sum=N write=N reboot=N uei=N malformed=N taken=N"
//     mode           what runs: the application (loaders go to RAM) or the loader (WRITE puts
//                    firmware into flash); LOAD and REBOOT change it
//     block          the block size PREPARE reports (0 allowed)
//     base           the load base INIT reports
//     load           what LOAD does: answer (in place; the loader runs from then on), restart
//                    (silently, into the loader), announce (the same, then answers the LOAD
//                    300 ms after a host's last query once back), placeholder (restart into
//                    the loader showing serial number DEADDEAD), vanish (leave for good)
//     reboot         what REBOOT does: restart (into the application, showing serial-after and
//                    running build-after, with version-after as its version unless that is
//                    keep, the default) or ignore
//     version-after  MAJOR.MINOR.PATCH, or a packed 0x... value, as --version takes it
//     verify-ms      how long REBOOT keeps the device up, as if verifying, before it restarts
//                    (up to 60000, default 0)
//     uei            whether option 10 (the byte-array data path) exists, so that cmdMODULE's
//                    hasUEI (95, 10, 0, set) answers 0, or 28 when it does not (default on)
//     pooled         bit 31 of the system entity's protocol features (option 45): the device
//                    takes pooled packets, several back to back in one write (default off)
//     die-after      the device vanishes on the DATA or byte-array packet that brings the data
//                    bytes received from now on to N (that packet unanswered); fires once,
//                    counted in faults_fired
//     counts are of requests as they arrived (before any fault rule); uei counts whole
//     byte-array writes taken, taken the data bytes taken
//   upgrade-log SERIAL                    one line per upgrade request as it arrived, oldest
//                                         first (the last 100000): "init", "data N", "load",
//                                         "prepare flags=0xFF address=0xXXXXXXXX", "sum",
//                                         "write N", "reboot", "malformed HEX"; and "uei N" for a
//                                         whole byte-array write taken, "uei refused CODE",
//                                         "died"
//   restart SERIAL [down=MS] [close=fin|rst] [now]
//                                         set how the device restarts: how long it stays away
//                                         (0 to 60000 ms) and whether its TCP connections close
//                                         with FIN or RST; with now, restart at once as after a
//                                         power cycle (the mode and serial number it was started
//                                         with; one that vanished comes back). Answers
//                                         "restart state=up|down serial=XXXXXXXX down=MS
//                                         close=fin|rst restarts=N" (serial: what it shows now)
//     A restarting device leaves at once: USB, off the emulated bus (its socket gone); TCP,
//     its connections closed and its port no longer listening; on the pty line and behind a
//     router it falls silent. After the down-time it comes back: on the bus again (as
//     <SERIAL shown>.usb), listening again on the same port. Answers it held back are dropped.
//   image SERIAL                          "flash address=0xXXXXXXXX flags=0xFF length=N
//                                         digest=XXXXXXXX" per region written since a PREPARE at
//                                         that address while the loader ran, then "ram ..." for
//                                         those while the application ran (a loader)
//   image SERIAL flash|ram ADDRESS        "bytes length=N digest=XXXXXXXX hex=HEX"
//   image SERIAL erase                    forget both memories
//
// Streams, store slots, factory data, module queries and the I2C bus:
//   streams SERIAL                        "key module=N cmd=N opt=N idx=N" per enabled key
//   stream-period SERIAL MS               sample period, 1 to 60000
//   stream-flood SERIAL COUNT CMD OPT IDX [SUB]   COUNT samples of that property at once
//   stream-garbage SERIAL COUNT           COUNT malformed stream packets
//   slot SERIAL STORE SLOT [capacity=N] [data=HEX]
//                                         define or fill a slot; answers
//                                         "slot capacity=N length=N digest=XXXXXXXX hex=HEX"
//   factory SERIAL BLOCK [data=HEX]       "factory length=N digest=XXXXXXXX hex=HEX"
//   entity-info SERIAL CLASS SUBCLASS [subclasses=N] [group=N]
//                                         "entity-info subclasses=N group=N"
//   i2c-present SERIAL ADDRESS on|off     make a bus address answer probes without a device
//
// stats counters: packets queries route_on route_off foreign forwarded unhandled malformed
// heartbeats_sent heartbeat_answers last_heartbeat_answer unanswered faults_fired uei_gets
// uei_sets uei_calls uei_errors runs_in runs_out runs_refused stream_samples stream_garbage
// store_saves store_loads store_resets route_to_me_sets, then requests_<command>=N per command
// code, i2c_probes_<address>=N and i2c_speed_<address>=CODE per bus address (all decimal).
#pragma once

#include <string>
#include <vector>

#include "control_socket.h"
#include "event_loop.h"
#include "simulator.h"

namespace sim {

class ControlServer {
public:
    ControlServer(EventLoop& loop, Simulator& simulator);
    ControlServer(const ControlServer&) = delete;
    ControlServer& operator=(const ControlServer&) = delete;

    std::string endpoint() const { return socket_.endpoint(); }

    // Runs one request line and returns the answer lines, "ok" or "error ..." last.
    std::vector<std::string> execute(const std::string& line);

private:
    EventLoop& loop_;
    Simulator& simulator_;
    ControlSocket socket_;
};

}  // namespace sim
