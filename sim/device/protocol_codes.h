// Command codes, UEI flag bits and error codes as they travel on the link.
#pragma once

#include <cstdint>

namespace sim {

// Command codes (data byte 0).
constexpr uint8_t kCmdHeartbeat = 0;
constexpr uint8_t kCmdSystem = 3;
constexpr uint8_t kCmdSlot = 4;
constexpr uint8_t kCmdI2c = 8;
constexpr uint8_t kCmdDebug = 23;
constexpr uint8_t kCmdModule = 73;
constexpr uint8_t kCmdStoreClass = 77;
constexpr uint8_t kCmdStore = 92;
constexpr uint8_t kCmdLink = 93;
constexpr uint8_t kCmdFactory = 94;
constexpr uint8_t kCmdUpgrade = 95;

// UEI option byte (data byte 1): the option code and the request's direction.
constexpr uint8_t kUeiOptionMask = 0x3F;
constexpr uint8_t kUeiGet = 0x40;
constexpr uint8_t kUeiSet = 0x80;
// A set's acknowledgement carries the option code with both direction bits.
constexpr uint8_t kUeiAcknowledge = 0xC0;
// UEI index byte (data byte 2).
constexpr uint8_t kUeiIndexMask = 0x1F;
constexpr uint8_t kUeiRequest = 0x20;
constexpr uint8_t kUeiStream = 0x40;
constexpr uint8_t kUeiError = 0x80;

// Error codes a device answers with.
constexpr uint8_t kErrNone = 0;
constexpr uint8_t kErrParam = 2;
constexpr uint8_t kErrNotFound = 3;
constexpr uint8_t kErrMode = 7;
constexpr uint8_t kErrNotReady = 11;
constexpr uint8_t kErrPermission = 12;
constexpr uint8_t kErrSize = 14;
constexpr uint8_t kErrOverrun = 15;
constexpr uint8_t kErrUnimplemented = 21;
constexpr uint8_t kErrPacket = 24;
constexpr uint8_t kErrIndexRange = 26;
constexpr uint8_t kErrInvalidEntity = 28;
constexpr uint8_t kErrInvalidOption = 29;
constexpr uint8_t kErrResource = 30;

// Whether requests of this command are typed UEI exchanges; the others carry raw packets.
constexpr bool isUeiCommand(uint8_t command) {
    switch (command) {
        case 0:
        case 1:
        case 2:
        case 4:
        case 8:
        case 9:
        case 23:
        case 24:
        case 73:
        case 94:
        case 95:
        case 173:
        case 175:
            return false;
        default:
            return true;
    }
}

}  // namespace sim
