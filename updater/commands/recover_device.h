#pragma once

#include <cstdint>
#include <string>

#include "cli/updater_settings.h"

class UpdaterApp;

// What -U -t RECOVER works from; zero and empty mean "not given".
struct RecoveryArguments {
    std::string portName;
    uint32_t build = 0;
    uint32_t baudRate = 0;
    uint32_t serialNumber = 0;
    std::string birdPath;
};

// -U -t RECOVER: restores a device whose firmware does not run, through its chip's boot ROM on
// the serial port (or, for an i.MX chip, on USB with the port name "USB"). Reads the chip's
// fingerprint, asks the update server which device and build it belongs to (unless a bird file
// is given), loads that build and writes it in: straight into flash through a serial boot
// loader, or through the liveloader that the fingerprint read started on an i.MX chip. The
// whole dialogue with a serial boot loader runs at the one rate chosen for `baudRate`, since it
// keeps the rate of its first synchronisation. True when the firmware was written.
bool recoverDevice(UpdaterApp& app, const RecoveryArguments& arguments);

// -U -t RECOVER: recovery with the port (-s), build (-b), rate (-o), serial number (-d) and bird
// file (-f) of the command line.
bool runRecovery(UpdaterApp& app, UpdaterSettings& settings);
