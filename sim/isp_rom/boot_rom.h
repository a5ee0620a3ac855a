// The serial boot loader of the simulated chip: auto-baud synchronisation on "?", the crystal
// line, then one-letter commands with decimal arguments, each answered by its return code.
// Echoes every character it hears until told otherwise, takes data as uuencoded lines checked
// by a sum every 20 lines, and keeps the rate of its first synchronisation: characters sent at
// any other rate are noise to it. Fed one character at a time; knows nothing of time.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "chip_memory.h"
#include "rom_options.h"

namespace isp_sim {

class BootRom {
public:
    using Recorder = std::function<void(const std::string& line)>;

    BootRom(const RomOptions& options, Recorder record);

    // One character from the host, sent at the rate the host's port is set to.
    void receive(uint8_t byte, uint32_t rate);
    // What the chip said since the last call.
    std::string takeOutput();
    // Once babbling, the chip sends noise for as long as anyone listens.
    bool babbling() const { return babbling_; }
    static std::string babble(size_t count);

    const ChipMemory& memory() const { return memory_; }

private:
    enum class State {
        AwaitingSync,
        AwaitingSynchronized,
        AwaitingCrystal,
        Command,
        WriteData,
        WriteChecksum,
        Running,
    };
    struct WriteCommand {
        uint32_t address = 0;
        uint32_t count = 0;
        uint32_t accepted = 0;         // bytes confirmed by a checksum and stored in RAM
        std::vector<uint8_t> pending;  // bytes since the last checksum
        int lines = 0;
    };

    void echo(uint8_t byte);
    void onLine(const std::string& line);
    void onCommand(const std::string& line);
    // The return code of a command, with any lines that follow it in `extra`.
    uint32_t execute(const std::vector<std::string>& words, std::string& extra);
    uint32_t compare(uint32_t first, uint32_t second, uint32_t count, std::string& extra);
    void onDataLine(const std::string& line);
    void onChecksum(const std::string& line);
    void restartSync();

    RomOptions options_;
    Recorder record_;
    ChipMemory memory_;
    State state_ = State::AwaitingSync;
    uint32_t lockedRate_ = 0;
    bool echo_ = true;
    bool unlocked_ = false;
    bool babbling_ = false;
    bool inNoise_ = false;
    int resendsLeft_ = 0;
    std::string line_;
    WriteCommand write_;
    std::string output_;
};

}  // namespace isp_sim
