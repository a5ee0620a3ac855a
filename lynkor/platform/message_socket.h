#pragma once

// The message-socket library's own waits, for the client stream: its sockets signal readiness
// through a descriptor that we wait on without holding the socket.
namespace lynkor::platform {

// Waits at most `timeoutMs` until one of the two descriptors is readable.
void waitEitherReadable(int first, int second, int timeoutMs);

// A descriptor that one thread signals to wake another waiting on it.
class WakeSignal {
public:
    WakeSignal();
    ~WakeSignal();
    WakeSignal(const WakeSignal&) = delete;
    WakeSignal& operator=(const WakeSignal&) = delete;

    bool valid() const { return fd_ >= 0; }
    int fd() const { return fd_; }
    void raise();
    void clear();

private:
    int fd_ = -1;
};

}  // namespace lynkor::platform
