#pragma once

#include "firmware/bird_file.h"
#include "lynkor/Module.h"
#include "lynkor/aError.h"

class UpdaterDisplayInterface;

// Each firmware block gets this many attempts, from its PREPARE on.
constexpr int kFirmwareBlockAttempts = 5;

// Puts the bird file's firmware blocks into the connected device's flash and reboots it. With
// `useUEI` the device is asked whether it takes whole chunks as byte-array writes (and pooled
// packets). A refused PREPARE stops at once; a failed block is sent again up to
// kFirmwareBlockAttempts times in all. The device is rebooted only when every block is in;
// `noWait` then skips the wait for the link to drop (a device behind a router keeps it).
// aErrSize for a block too short to hold its address, before anything is sent.
aErr _transfer_firmware(UpdaterDisplayInterface* display, Norvane::Lynkor::Module* module,
                        const BirdFile& bird, bool noWait, bool useUEI);
