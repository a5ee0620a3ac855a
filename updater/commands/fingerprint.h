#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "cli/updater_settings.h"

class UpdaterApp;

// A chip's 128-bit unique identifier as four 32-bit words, read from its boot ROM.
using Fingerprint = std::array<uint32_t, 4>;

// Reads the fingerprint of the chip on the serial port through its boot ROM at the rate chosen
// for `baudRate`, and records in app.chipKind which boot ROM answered.
std::optional<Fingerprint> getFingerprint(UpdaterApp& app, const std::string& portName,
                                          uint32_t baudRate);

// -N: shows the fingerprint of the chip on the -s port, read at the -o rate, or that the chip
// did not answer; true when it was read.
bool runFingerprint(UpdaterApp& app, UpdaterSettings& settings);
