// cmdUPGRADE (95): how a loader is put into a device's RAM and firmware into its flash. Requests
// are raw packets, multi-byte fields big-endian:
//   [95, 0]                        INIT     -> [95, 0, load base (4)]
//   [95, 1, 1 to 26 bytes]         DATA     -> [95, 1, number of bytes taken]
//   [95, 2]                        LOAD     -> [95, 2], or no answer and a restart (LoadAction)
//   [95, 3, flags, address (4)]    PREPARE  -> [95, 7, status, block size (2)]
//   [95, 4]                        SUM      -> [95, 7, status, sum (4)]
//   [95, 5, count (2)]             WRITE    -> [95, 7, status]
//   [95, 6]                        REBOOT   -> no answer; a restart (RebootAction)
// and the byte-array write of option 10 (index 0), in runs as UEI byte arrays travel
// ([95, 0x8A, 0x20, up to 24 bytes, trailer]), which carries a chunk in place of DATA packets and
// is acknowledged [95, 0xCA, 0] once whole; a refused run gets [95, 0xCA, 0x80, code].
//
// PREPARE starts the region at its address afresh. While the application runs, the data that
// follows goes straight into RAM there (a loader, taken whole). While the loader runs, data
// gathers in a chunk of at most the block size that PREPARE reported, and WRITE puts the
// chunk's first `count` bytes into flash, after what the region already holds, and empties
// the chunk. SUM reports the sum of the bytes taken since PREPARE or the last WRITE, modulo
// 2^32. A data packet beyond the room left is taken in part.
// Statuses: 0 good; 11 no PREPARE yet; 7 WRITE while the application runs; 14 WRITE of 0 bytes or
// of more than the chunk holds; 15 flash full.
// Requests of another shape are ignored (no answer) and logged as malformed.
#pragma once

#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "bytes_run.h"
#include "device.h"
#include "memory_image.h"
#include "power_cycle.h"

namespace sim {

enum class UpgradeMode { Application, Loader };

// What LOAD does: answer in place (and run the loader from then on); restart into the loader
// silently; the same, then announce itself with the LOAD answer once a host has found it again;
// restart into the loader showing the placeholder serial number 0xDEADDEAD; or leave for good.
enum class LoadAction { Answer, Restart, Announce, Placeholder, Vanish };
// What REBOOT does: restart into the application (with the build, version and serial number it is
// set to come back with), or nothing.
enum class RebootAction { Restart, Ignore };

struct UpgradeSettings {
    UpgradeMode mode = UpgradeMode::Application;
    uint16_t blockSize = 0;
    uint32_t loadBase = 0x20000000;
    LoadAction load = LoadAction::Restart;
    RebootAction reboot = RebootAction::Restart;
    uint32_t buildAfterReboot = 0;
    // The packed firmware version after a REBOOT; empty keeps the one it has.
    std::optional<uint32_t> versionAfterReboot;
    uint32_t serialAfterReboot = 0;
    // How long the device stays up after a REBOOT, as if verifying its new firmware.
    std::chrono::milliseconds verifyTime{0};
    // Data bytes still to come before the device dies (leaves for good) on the data request
    // that brings them to 0; empty for never.
    std::optional<uint64_t> bytesBeforeDeath;
};

struct UpgradeCounts {
    // By the first word of their log entries: requests as they arrived ("init", "data", "load",
    // "prepare", "sum", "write", "reboot", "malformed") and whole byte-array writes taken ("uei").
    std::map<std::string, uint64_t> requests;
    uint64_t bytesTaken = 0;
};

class UpgradeProtocol : public CommandHandler {
public:
    static constexpr uint32_t kPlaceholderSerial = 0xDEADDEAD;
    static constexpr size_t kRamBytes = 1 << 20;
    static constexpr size_t kFlashBytes = 16 << 20;
    // How long after a host's last query a loader that announces itself does so.
    static constexpr auto kAnnounceQuiet = std::chrono::milliseconds(300);
    static constexpr size_t kLogLength = 100000;

    UpgradeProtocol(Device& device, PowerCycle& power);

    void handle(Device& device, const Packet& request, HostConnection& host) override;
    void observe(Device& device, const Packet& request) override;
    // PREPARE, SUM and WRITE refusals carry the code as their status; DATA takes nothing.
    Bytes errorReply(const Bytes& request, uint8_t code) const override;

    UpgradeSettings& settings() { return settings_; }
    // Whether the device answers option 10 (the byte-array data path), so that cmdMODULE's
    // hasUEI says yes for it.
    bool ueiData() const;
    void setUeiData(bool supported);
    // Bit 31 of the system entity's protocol features.
    bool pooledPackets() const;
    void setPooledPackets(bool supported);

    const UpgradeCounts& counts() const { return counts_; }
    // One line per request, oldest first (the last kLogLength): "init", "data N", "load",
    // "prepare flags=0xFF address=0xAAAAAAAA", "sum", "write N", "reboot", "uei N" for a
    // whole byte-array write, "uei refused CODE", "died", "malformed HEX".
    const std::deque<std::string>& log() const { return log_; }
    void clearCountsAndLog();

    const MemoryImage& flash() const { return flash_; }
    const MemoryImage& ram() const { return ram_; }
    void eraseMemories();

    // Restarts as after a power cycle: the serial number and mode it was started with.
    void restartAsStarted();

private:
    struct Prepared {
        uint8_t flags;
        uint32_t address;
        uint16_t blockSize;
    };

    void note(std::string entry);
    // Data bytes that can still be taken before the next WRITE (while the loader runs) or at
    // all (while the application runs, into RAM).
    size_t room() const;
    // Takes up to `count` data bytes; returns how many it took.
    size_t take(const uint8_t* bytes, size_t count);
    // Counts data bytes towards a death set in the settings; true when the device just died.
    bool diesOf(size_t count);
    void init(HostConnection& host);
    void data(const uint8_t* bytes, size_t count, HostConnection& host);
    void load(HostConnection& host);
    void prepare(uint8_t flags, uint32_t address, HostConnection& host);
    void sum(HostConnection& host);
    void write(uint16_t count, HostConnection& host);
    void reboot();
    void ueiRequest(const Bytes& request, HostConnection& host);
    void dataRun(const Bytes& request, HostConnection& host);
    void refuseUei(const Bytes& request, uint8_t code, HostConnection& host);
    void status(HostConnection& host, uint8_t code, const Bytes& fields = {});
    // Restarts and comes back running `mode`, showing `serial`; `andThen` runs as it comes back.
    void restartInto(UpgradeMode mode, uint32_t serial, std::function<void()> andThen = {},
                     std::chrono::milliseconds delay = std::chrono::milliseconds(0));
    void forgetSession();

    Device& device_;
    PowerCycle& power_;
    UpgradeSettings settings_;
    UpgradeCounts counts_;
    std::deque<std::string> log_;
    MemoryImage flash_{kFlashBytes};
    MemoryImage ram_{kRamBytes};
    std::optional<Prepared> prepared_;
    Bytes chunk_;
    uint32_t sum_ = 0;
    IncomingRun run_{kRamBytes};
};

}  // namespace sim
