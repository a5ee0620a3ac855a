// The serial line between the host and the simulated boot loader: a pseudo-terminal that the
// host opens like any serial port. The rate the host set is read from the terminal itself; with
// pacing, every character takes 10 bit times of that rate in each direction, as on a real line.
#pragma once

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <deque>
#include <string>

#include "boot_rom.h"

namespace isp_sim {

class PacedLine {
public:
    // Characters the host sent are also appended to `capture` when it is not null.
    PacedLine(BootRom& rom, bool paced, FILE* capture);
    ~PacedLine();
    PacedLine(const PacedLine&) = delete;
    PacedLine& operator=(const PacedLine&) = delete;

    // The path the host opens, "/dev/pts/N".
    const std::string& path() const { return path_; }
    // Runs until SIGTERM or SIGINT.
    void run();

private:
    using Clock = std::chrono::steady_clock;
    struct Incoming {
        uint8_t byte;
        uint32_t rate;
        Clock::time_point due;
    };
    struct Outgoing {
        char byte;
        Clock::time_point due;
    };

    // Noise is kept this far ahead of the line while the chip babbles.
    static constexpr size_t kBabbleAhead = 256;

    uint32_t hostRate() const;
    Clock::duration characterTime(uint32_t rate) const;
    void readHost(Clock::time_point now);
    void deliverDue(Clock::time_point now);
    void queueOutput(const std::string& text, Clock::time_point now);
    // False when the terminal takes no more for now.
    bool writeDue(Clock::time_point now);

    BootRom& rom_;
    bool paced_;
    FILE* capture_;
    std::string path_;
    int master_ = -1;
    // Held open by the simulator, so that the line keeps its settings and stays up while the
    // host closes and reopens it.
    int terminal_ = -1;
    int signalFd_ = -1;
    uint32_t rate_ = 0;
    std::deque<Incoming> incoming_;
    std::deque<Outgoing> outgoing_;
    Clock::time_point inputFree_{};
    Clock::time_point outputFree_{};
};

}  // namespace isp_sim
