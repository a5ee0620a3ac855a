#pragma once

// The i.MX side of recovery. The chip's boot ROM takes a small RAM program, the liveloader, from
// the loader blocks of a bird file; once started it shows up on USB as an ordinary device (under
// the placeholder serial number until it knows its own) that tells the chip's identifier and
// takes firmware through the upgrade protocol.
#include <cstdint>
#include <string>

#include "commands/fingerprint.h"

class BirdFile;
class UpdaterApp;

// Starts the liveloader through the boot ROM on the port ("USB" for HID, else a serial port),
// connects to it as `serialNumber` (0: the placeholder) and reads the chip's identifier into
// `words`; with `reset` the chip is restarted afterwards. The liveloader comes from `birdPath`
// (only together with a real serial number), else from the device's store entry, downloaded
// first when the store has none. False when any step failed.
bool _get_fingerprint_imx(UpdaterApp& app, uint32_t serialNumber, const std::string& birdPath,
                          const std::string& portName, Fingerprint& words, bool reset);

// Recovery's transfer on an i.MX chip whose liveloader runs: reaches it under the placeholder
// serial number or the device's own, and transfers the bird file's firmware through it, ending
// with the reboot into that firmware. False after showing why.
bool transferThroughLiveloader(UpdaterApp& app, const BirdFile& bird, uint32_t serialNumber);
