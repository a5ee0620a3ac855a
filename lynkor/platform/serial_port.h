#pragma once

// Serial ports on termios, for the serial streams.
#include <termios.h>

#include <cstdint>
#include <string>

#include "lynkor/aError.h"

namespace lynkor::platform {

struct SerialSettings {
    uint32_t baudRate = 0;  // one of the rates the serial streams offer
    bool oddParity = false;
    bool sevenDataBits = false;
    bool twoStopBits = false;
};

struct SerialPort {
    int fd = -1;
    termios saved{};  // the settings the port had before we opened it
};

// The settings a port gets: raw mode with the given rate, parity, data and stop bits, all else
// as `previous` had it. False when the rate is not one the serial streams offer.
bool serialTermios(const termios& previous, const SerialSettings& settings, termios* result);

// A port name without "/" is looked up under /dev/.
std::string serialDevicePath(const char* portName);

// Opens the port for reading and writing, exclusively (no other process may open it while we
// hold it), non-blocking and in raw mode with the given settings; keeps the previous settings.
// aErrIO when the port cannot be opened, is not a terminal, is held by another process, or
// cannot take the settings; the port is then closed again.
aErr serialOpen(const std::string& path, const SerialSettings& settings, SerialPort* port);
// Restores the previous settings and closes the port; aErrIO when the restore failed.
aErr serialClose(SerialPort* port);

}  // namespace lynkor::platform
