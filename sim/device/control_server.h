// A line-based control socket through which a test or a person drives the simulated devices.
// Every request is one line; the answer is zero or more lines, then "ok" or "error <reason>".
// Numbers are decimal or 0x-hexadecimal; HEX is pairs of hexadecimal digits (spaces allowed
// where it ends the line); SERIAL is a device's hexadecimal serial number.
//
//   stop                                  end the simulator
//   stats SERIAL                          "stats name=value ..." (see below)
//   clear SERIAL                          zero the counters, forget the history
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
//         action=drop|delay:MS|error:CODE|reply:HEX [times=N]
//                                         "rule ID"; without times= the rule fires for ever.
//                                         opt, idx and sub compare data bytes 1-3 (for UEI
//                                         commands the option code and entity index)
//   faults SERIAL                         "rule ID cmd=... action=... fired=N left=N|forever"
//   clear-faults SERIAL [ID]              remove one rule or all
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
