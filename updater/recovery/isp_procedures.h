#pragma once

// The two things recovery does through a chip's serial boot loader: identify the chip, and
// write a bird file's firmware into its flash.
#include <cstdint>
#include <optional>
#include <string>

#include "recovery/serial_isp.h"

class BirdFile;
class UpdaterDisplayInterface;

// Opens the port, synchronises with the boot loader at the rate chosen for `requestedRate` and
// reads the chip's identification. The port is closed again in every case; the boot loader
// stays synchronised at that rate.
std::optional<IspIdentification> identify(UpdaterDisplayInterface* display,
                                          const std::string& portName, uint32_t requestedRate);

// Writes the firmware images of the bird file into the flash of a chip that `identify` left
// synchronised at the same rate: unlock, erase all, each image in chunks, echo back on, and
// start the new firmware. False when anything failed; a file that cannot be written whole is
// refused before the chip is touched.
bool flashBird(UpdaterDisplayInterface* display, const BirdFile& bird, const std::string& portName,
               uint32_t requestedRate);
