// A pseudo-terminal that a simulator serves a serial line on: the host opens its path like any
// serial port.
#pragma once

#include <string>

namespace sim {

class PseudoTerminal {
public:
    // Throws std::runtime_error when no pseudo-terminal can be made.
    PseudoTerminal();
    ~PseudoTerminal();
    PseudoTerminal(const PseudoTerminal&) = delete;
    PseudoTerminal& operator=(const PseudoTerminal&) = delete;

    // The path the host opens, "/dev/pts/N".
    const std::string& path() const { return path_; }
    // Hands the simulator's end over to its new owner (an FdChannel, which closes it).
    int releaseMaster();

private:
    int master_ = -1;
    // Held open so that the line keeps its raw settings between hosts.
    int slave_ = -1;
    std::string path_;
};

}  // namespace sim
