#pragma once

// The bytes of the upgrade command (cmdUPGRADE): one link packet per request, [0x5F, sub-command,
// arguments], multi-byte fields big-endian. Replies are matched on their first two bytes; the
// parsers below read the fields after those and refuse a reply too short to hold them.
#include <cstdint>
#include <optional>
#include <span>

constexpr uint8_t cmdUPGRADE = 0x5F;

enum UpgradeSubCommand : uint8_t {
    val_UPGRADE_INIT = 0,
    val_UPGRADE_DATA = 1,
    val_UPGRADE_LOAD = 2,
    val_UPGRADE_PREPARE = 3,
    val_UPGRADE_SUM = 4,
    val_UPGRADE_WRITE = 5,
    val_UPGRADE_REBOOT = 6,
    // Sent by the device only: the answer to PREPARE, SUM and WRITE.
    val_UPGRADE_STATUS = 7,
    // Not a packet: the entity option that takes a whole chunk as one byte-array write.
    val_UPGRADE_DATA_UEI = 10,
};

// Most image bytes one DATA packet carries (28 data bytes less the command and sub-command).
constexpr uint8_t kUpgradeDataBytesPerPacket = 26;
// A block body starts with its 4-byte load address.
constexpr uint32_t kUpgradeAddressSize = 4;

struct PrepareReply {
    uint8_t status = 0;
    uint16_t blockSize = 0;
};

struct SumReply {
    uint8_t status = 0;
    uint32_t sum = 0;
};

// Each takes the reply's data bytes, command and sub-command included.
// INIT: the load base (bytes 2..5).
std::optional<uint32_t> parseInitReply(std::span<const uint8_t> reply);
// DATA: how many bytes the device took (byte 2).
std::optional<uint8_t> parseDataReply(std::span<const uint8_t> reply);
// PREPARE: status (byte 2) and block size (bytes 3..4).
std::optional<PrepareReply> parsePrepareReply(std::span<const uint8_t> reply);
// SUM: status (byte 2) and the device's sum (bytes 3..6).
std::optional<SumReply> parseSumReply(std::span<const uint8_t> reply);
// WRITE: status (byte 2).
std::optional<uint8_t> parseWriteReply(std::span<const uint8_t> reply);

// The sum of the bytes as unsigned values, modulo 2^32.
uint32_t upgradeSum(std::span<const uint8_t> bytes);

uint32_t readBigEndian32(const uint8_t* bytes);
