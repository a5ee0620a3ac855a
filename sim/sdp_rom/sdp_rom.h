// The protocol core of a simulated i.MX boot ROM in serial download mode: it takes commands and
// data, keeps what was written in a sparse memory, and says what the ROM answers. The framings
// (HID reports, raw bytes on a serial line) carry commands in and answers out.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <span>
#include <string>
#include <vector>

#include "byte_string.h"

namespace sim {

// HAB-mode words: the security configuration the ROM reports before every answer.
constexpr uint32_t kHabOpen = 0x56787856;
constexpr uint32_t kHabClosed = 0x12343412;
constexpr uint32_t kWriteFileComplete = 0x88888888;
constexpr uint32_t kWriteRegisterComplete = 0x128A8A12;
// What this ROM answers to a write it refuses, and reports as its error status afterwards.
constexpr uint32_t kWriteRefused = 0x33333333;
constexpr uint32_t kNoError = 0xF0F0F0F0;

constexpr size_t kRomCommandSize = 16;
// What a short answer keeps of a status word or register data.
constexpr size_t kShortAnswerSize = 2;

// One answer of the ROM: the HAB mode (report 3 on HID) or a status word or register data
// (report 4 on HID).
struct RomReply {
    enum class Kind { HabMode, Payload };
    Kind kind;
    Bytes bytes;
};
using RomReplies = std::vector<RomReply>;

// What the ROM does, set by the command line and the control socket.
struct RomBehaviour {
    bool silent = false;        // answers nothing at all
    bool rejectWrites = false;  // refuses every write file at once and drops its data
    bool shortAnswers = false;  // cuts every status or data answer to 2 bytes
    bool habClosed = false;
    uint32_t writeStatus = kWriteFileComplete;  // the status after a write file's data
};

class SdpRom {
public:
    using JumpHandler = std::function<void(uint32_t address)>;

    explicit SdpRom(RomBehaviour behaviour) : behaviour_(behaviour) {}

    RomBehaviour& behaviour() { return behaviour_; }
    // Called once the ROM has answered a jump; the ROM then ignores everything until reset().
    void setJumpHandler(JumpHandler handler) { onJump_ = std::move(handler); }

    // One command of kRomCommandSize bytes (shorter ones are zero-padded).
    RomReplies command(std::span<const uint8_t> command);
    // How many data bytes the command in progress still takes.
    size_t dataExpected() const { return dataExpected_; }
    // Data for the command in progress; takes at most dataExpected() bytes.
    RomReplies data(std::span<const uint8_t> bytes);

    // Something the framing saw, for the history (e.g. the size of a data report).
    void note(std::string event) { history_.push_back(std::move(event)); }
    // Every command and event, oldest first: "error_status", "write_file 20000000 1025",
    // "data 1024", "write_complete 20000000 1025", "write_refused 20000000", "jump 20000400",
    // "read_register 20000000 16", "unknown 1234", "ignored 16", "discarded 1" (a command cut
    // short on the serial line) ...
    const std::vector<std::string>& history() const { return history_; }
    // The memory as written; bytes never written read as 0.
    Bytes memory(uint32_t address, size_t count) const;
    // The written stretches as (address, length), in address order, adjacent writes apart.
    std::vector<std::pair<uint32_t, size_t>> regions() const;

    bool jumped() const { return jumped_; }
    // Back to the ROM after a jump, as after a reset of the processor; memory is kept.
    void reset();

private:
    enum class Pending { None, WriteFile, RefusedWrite };

    // The HAB mode, then the payload (cut short when the behaviour says so).
    RomReplies answer(Bytes payload) const;
    RomReplies habOnly() const;
    RomReplies finishData();

    RomBehaviour behaviour_;
    JumpHandler onJump_;
    std::vector<std::string> history_;
    std::map<uint32_t, uint8_t> memory_;  // only the bytes written
    uint32_t errorStatus_ = kNoError;
    Pending pending_ = Pending::None;
    uint32_t pendingAddress_ = 0;
    size_t pendingCount_ = 0;
    size_t pendingReceived_ = 0;
    size_t dataExpected_ = 0;
    bool jumped_ = false;
};

}  // namespace sim
