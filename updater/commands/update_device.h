#pragma once

#include <cstdint>
#include <string>

#include "lynkor/Module.h"

class BirdFile;
class UpdaterApp;
class UpdaterDisplayInterface;

// What -U updates, and with what.
struct UpdateRequest {
    uint32_t serialNumber = 0;
    // 0: the build the server names when it is stored, else the last download or transfer.
    uint32_t build = 0;
    // A bird file to use instead of the store's.
    std::string birdPath;
    // The device's address behind the router; 0 finds it.
    uint8_t moduleAddress = 0;
    // 0: the device is reached directly (USB, then TCP/IP).
    uint32_t routerSerialNumber = 0;
    // Transfers a file for another model or device without checking.
    bool overrideModelChecks = false;
};

// Replaces the firmware of one running device: chooses and loads the bird file, writes the
// device's serial number into its image, connects, checks the file against the device, runs
// the loader and the firmware transfer, and records the transfer in the device's settings.
// True only when the whole transfer succeeded; every failure is shown before it returns.
bool updateDevice(UpdaterApp& app, const UpdateRequest& request);

// Whether the bird file fits the connected device: its serial number (unless the file has
// serial offsets, then any) and its model.
bool UpdateFirmware(UpdaterDisplayInterface* display, const BirdFile& bird,
                    Norvane::Lynkor::Module& module, uint32_t serialNumber);
