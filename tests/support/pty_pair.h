#pragma once

#include <string>

// A pseudo-terminal pair: the stream under test opens the terminal end by its name, the test
// plays the far end of the line on the controlling end.
class PtyPair {
public:
    PtyPair();
    ~PtyPair();
    PtyPair(const PtyPair&) = delete;
    PtyPair& operator=(const PtyPair&) = delete;

    const std::string& terminalName() const { return terminalName_; }
    // The test's own descriptor of the terminal end, to look at its settings.
    int terminalFd() const { return terminal_; }
    // The test's end of the line, for a far end that keeps talking on a thread of its own.
    int controllerFd() const { return controller_; }
    void send(const std::string& bytes);
    // Reads exactly `count` bytes from the line, or what came within a few seconds.
    std::string receive(size_t count);
    // Reads whatever arrives within `timeoutMs`.
    std::string drain(int timeoutMs);
    void hangUp();

private:
    int controller_ = -1;
    int terminal_ = -1;  // kept open so that the line does not hang up between opens
    std::string terminalName_;
};
