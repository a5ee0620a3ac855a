#pragma once

// Loading the liveloader into an i.MX processor through its boot ROM: every loader block of a
// bird file written to its load address, then a jump to the start address. Recovery then finds
// the started loader as an ordinary device.
#include <cstdint>
#include <memory>
#include <string>

#include "firmware/bird_file.h"
#include "lynkor/aError.h"
#include "recovery/sdp_loader_interface.h"

constexpr uint16_t kImxRomVendorId = 0x1FC9;
constexpr uint16_t kImxRomProductId = 0x0130;
// The port name that selects the ROM on USB HID; any other name is a serial port.
constexpr const char* kImxRomHidPortName = "USB";
constexpr uint32_t kDefaultLoaderStartAddress = 0x20000400;

// The transport for a port name: HID for exactly "USB", else the serial port of that name.
std::unique_ptr<SDPLoader_Interface> makeSdpLoader(const std::string& portName);

// Where the loader starts: the first start-address block's address, when that block holds one,
// else kDefaultLoaderStartAddress.
uint32_t loaderStartAddress(const BirdFile& bird);

// aErrNone once the loader runs; aErrSize for a loader block too short to hold its address
// (refused before the ROM is touched), aErrNotReady when the transport does not open,
// aErrConnection when a block is not written or the jump cannot be sent.
aErr transferLoader(const std::string& portName, const BirdFile& bird);
