#pragma once

#include <cstdint>
#include <cstdio>

class UpdaterDisplayInterface;

// Diagnostic categories, the bits of the -X mask.
enum DebugCategory : uint32_t {
    DEBUG_Updater = 0x00000001,
    DEBUG_History = 0x00000002,
    DEBUG_Attributes = 0x00000004,
    DEBUG_BirdFile = 0x00000008,
    DEBUG_Network = 0x00000010,
    DEBUG_ServerComm = 0x00000020,
    DEBUG_Network_100 = 0x00000100,
    DEBUG_Network_SR = 0x00000200,
    DEBUG_Network_FIRM = 0x00000400,
    DEBUG_NXPSerial = 0x00001000,
    DEBUG_NXPSerial_E = 0x00002000,
    DEBUG_NXPSerial_SR = 0x00004000,
    DEBUG_APP = 0x00010000,
    DEBUG_iMXSerial = 0x10000000,
};

enum DisplayLevel : int { DISPLAY_INFO = 0, DISPLAY_ERROR = 1 };

// Writes a diagnostic (printf rules, cut at 2048 bytes, no newline added) to the debug output
// when mask is 0 or shares a bit with the global debug mask.
void debugPrintf(uint32_t mask, const char* format, ...) __attribute__((format(printf, 2, 3)));
// ORs bits into the global debug mask; bits are never taken away.
void addDebugMask(uint32_t bits);
uint32_t debugMask();
void setDebugOutput(FILE* stream);

// Formats a user message (cut at 2048 bytes) and shows it: level 1 as an error, any other as
// information.
void displayPrintf(UpdaterDisplayInterface* display, int level, const char* format, ...)
    __attribute__((format(printf, 3, 4)));
