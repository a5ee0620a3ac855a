#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "cli/updater_settings.h"

class UpdaterApp;

// A chip's 128-bit unique identifier as four 32-bit words, read from its boot ROM.
using Fingerprint = std::array<uint32_t, 4>;

// What a fingerprint read works from.
struct FingerprintRequest {
    std::string portName;
    // The device whose liveloader an i.MX chip gets; 0 when it is not known.
    uint32_t serialNumber = 0;
    // A liveloader file named on the command line; empty for the store's.
    std::string birdPath;
    // The rate a serial boot loader is asked at.
    uint32_t baudRate = 0;
    // Restarts an i.MX chip once its identifier is read, instead of leaving its liveloader
    // running for a firmware transfer.
    bool resetAfterReading = false;
};

// Reads the fingerprint of the chip on the port: through a serial boot loader when one answers
// there, else through an i.MX boot ROM and the liveloader it starts. Records in app.chipKind
// which path was taken.
std::optional<Fingerprint> getFingerprint(UpdaterApp& app, const FingerprintRequest& request);

// -N: shows the fingerprint of the chip on the -s port, read at the -o rate, or that the chip
// did not answer; true when it was read.
bool runFingerprint(UpdaterApp& app, UpdaterSettings& settings);
