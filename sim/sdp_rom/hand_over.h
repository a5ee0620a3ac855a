// What follows a jump: the program the ROM started, played by a command (for instance a device
// simulator that puts the started loader on the emulated bus). The command runs through /bin/sh
// with SDP_JUMP_ADDRESS set to the address in hexadecimal; its standard output goes to our
// standard error, so that our own lines stay machine-readable.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <string>

namespace sim {

class HandOver {
public:
    explicit HandOver(std::string command) : command_(std::move(command)) {}
    // Stops the command if it still runs.
    ~HandOver();
    HandOver(const HandOver&) = delete;
    HandOver& operator=(const HandOver&) = delete;

    // Starts the command (stopping one started before); false when it cannot be started.
    bool start(uint32_t address);
    void stop();

private:
    // How long the command may take to end after SIGTERM before it is killed.
    static constexpr int kStopGraceMs = 2000;
    static constexpr int kStopPollMs = 10;

    std::string command_;
    pid_t pid_ = -1;
};

}  // namespace sim
