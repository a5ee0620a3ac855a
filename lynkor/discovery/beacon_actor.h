// The beacon actor for the interface currently set in czmq.
#pragma once

#include <czmq.h>

namespace lynkor::discovery {

// czmq's zbeacon only works on interfaces that can broadcast, so it refuses loopback. For a
// loopback interface (127.x.x.x) this returns the loopback beacon instead: the same commands
// and messages, broadcast to 127.255.255.255 so that the beacon never leaves this computer.
zactor_t* newBeaconActor();

// The loopback beacon, as a czmq actor. Commands on its pipe, as zbeacon's: "CONFIGURE" port
// (answered with "127.0.0.1", or "" on failure), "PUBLISH" bytes interval, "SILENCE",
// "SUBSCRIBE" prefix, "UNSUBSCRIBE", "$TERM". Received beacons come out as the sender's address
// text followed by one frame; its own beacons are not echoed back.
void loopbackBeaconActor(zsock_t* pipe, void* unused);

}  // namespace lynkor::discovery
