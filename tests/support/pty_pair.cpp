#include "support/pty_pair.h"

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <gtest/gtest.h>

PtyPair::PtyPair() {
    char name[256] = {};
    if (openpty(&controller_, &terminal_, name, nullptr, nullptr) != 0) {
        ADD_FAILURE() << "no pseudo-terminal";
        return;
    }
    terminalName_ = name;
    termios raw{};
    tcgetattr(controller_, &raw);
    cfmakeraw(&raw);
    tcsetattr(controller_, TCSANOW, &raw);
}

PtyPair::~PtyPair() {
    hangUp();
    if (terminal_ >= 0) {
        close(terminal_);
    }
}

void PtyPair::send(const std::string& bytes) {
    ASSERT_EQ(write(controller_, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
}

std::string PtyPair::receive(size_t count) {
    std::string bytes;
    while (bytes.size() < count) {
        pollfd entry{controller_, POLLIN, 0};
        if (poll(&entry, 1, 5000) != 1) {
            break;
        }
        char chunk[256];
        ssize_t got = read(controller_, chunk, std::min(sizeof chunk, count - bytes.size()));
        if (got <= 0) {
            break;
        }
        bytes.append(chunk, static_cast<size_t>(got));
    }
    return bytes;
}

std::string PtyPair::drain(int timeoutMs) {
    std::string bytes;
    pollfd entry{controller_, POLLIN, 0};
    while (poll(&entry, 1, timeoutMs) == 1) {
        char chunk[256];
        ssize_t got = read(controller_, chunk, sizeof chunk);
        if (got <= 0) {
            break;
        }
        bytes.append(chunk, static_cast<size_t>(got));
    }
    return bytes;
}

void PtyPair::hangUp() {
    if (controller_ >= 0) {
        close(controller_);
        controller_ = -1;
    }
    // Without any terminal end open the line is gone for good.
    if (terminal_ >= 0) {
        close(terminal_);
        terminal_ = -1;
    }
}
