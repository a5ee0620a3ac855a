#pragma once

// The upgrade protocol on a connected Module: the device's boot loader is driven over the
// ordinary link with cmdUPGRADE requests (upgrade_messages.h). Each operation answers an aErr:
// a send error as the link gave it, aErrTimeout or aErrPacket for a reply that did not come,
// aErrPacket for one too short for its fields, aErrInvalidOption for a bad status or sum.
#include <cstdint>
#include <span>

#include "lynkor/EntityClass.h"
#include "lynkor/Module.h"

class UpdaterDisplayInterface;

// How often the same DATA packet is sent while the device takes a different count of it.
constexpr int kDataPacketSends = 5;
// The loader's restart after an unanswered LOAD: attempts of each kind and the pause between.
constexpr int kLoaderReconnectAttempts = 5;
constexpr uint32_t kLoaderReconnectPauseMs = 500;
// The serial number a freshly started loader may show before it knows its own.
constexpr uint32_t kLoaderPlaceholderSerial = 0xDEADDEAD;
// After REBOOT: how often the link is looked at, and for how long at most.
constexpr uint32_t kRebootPollMs = 250;
constexpr uint32_t kRebootWaitLimitMs = 10000;

class UpdaterEntity : public Norvane::Lynkor::EntityClass {
public:
    // Binds the entity (class cmdUPGRADE) to the module. With `validate` every block is checked
    // with SUM; with `noWait` the reboot does not wait for the link to drop. Byte-array data is
    // off until CheckUEIDataSupport turns it on.
    void init(Norvane::Lynkor::Module* module, uint8_t index, bool validate, bool noWait);

    // Whether the device takes a chunk as one byte-array write; turns that mode on when it does.
    aErr CheckUEIDataSupport();
    // Reads the device's protocol features and turns pooled packets on for the module's link
    // when the device takes them.
    aErr checkProtocolVersion();

    aErr loaderInit();
    // Opens a region at the body's load address; blockSize receives the chunk size the device
    // takes. A block size of 0 is refused like a bad status.
    aErr TransferPrepare(std::span<const uint8_t> body, uint8_t flags, uint16_t& blockSize);
    // Sends the bytes (DATA packets, or one byte-array write) and checks their sum; packetCount
    // grows by the packets the device took.
    aErr blockTransfer(std::span<const uint8_t> data, uint32_t& packetCount);
    // The body's image in chunks of blockSize: each sent, summed and written, with the progress
    // bar per chunk.
    aErr firmwareTransfer(std::span<const uint8_t> body, uint16_t blockSize,
                          UpdaterDisplayInterface* display);
    // The body's image as one block.
    aErr loaderTransfer(std::span<const uint8_t> body);
    // Starts the loader; when the LOAD goes unanswered the device is restarting, so the module
    // is connected again (as before, then under the placeholder serial number) and the answer
    // awaited once more.
    aErr loaderStart();
    // Reboots the device and, unless noWait, waits (at most kRebootWaitLimitMs) for the link to
    // drop.
    aErr LoaderReboot(UpdaterDisplayInterface* display);

    bool usesUEIData() const { return useUEIData_; }

private:
    aErr send(std::span<const uint8_t> request);
    // The first reply [cmdUPGRADE, answer, ...] within the usual wait; `reply` holds its data.
    aErr awaitReply(uint8_t answer, std::span<uint8_t> reply, uint8_t& length);
    aErr sendDataPackets(std::span<const uint8_t> data, uint32_t& sum, uint32_t& packetCount);
    aErr validateSum(uint32_t sum, uint32_t packetCount);
    aErr writeChunk(uint16_t count);
    // Connects the module again after the loader restarted it; aErrNone once connected.
    aErr reconnectAfterLoad();

    Norvane::Lynkor::Module* module_ = nullptr;
    bool validate_ = false;
    bool noWait_ = false;
    bool useUEIData_ = false;
};
