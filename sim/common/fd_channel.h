// A non-blocking descriptor in the event loop: hands received bytes to its owner and buffers
// what it cannot write at once, so a slow host never stalls the other devices.
#pragma once

#include <functional>

#include "byte_string.h"
#include "event_loop.h"

namespace sim {

class FdChannel {
public:
    using BytesHandler = std::function<void(const uint8_t* bytes, size_t count)>;
    using CloseHandler = std::function<void()>;

    // Takes ownership of the descriptor and makes it non-blocking.
    FdChannel(EventLoop& loop, int fd, BytesHandler onBytes, CloseHandler onClosed);
    ~FdChannel();
    FdChannel(const FdChannel&) = delete;
    FdChannel& operator=(const FdChannel&) = delete;

    void write(const Bytes& bytes);
    int fd() const { return fd_; }

private:
    // A host that stops reading loses further bytes, as it would on a real line.
    static constexpr size_t kMaxPending = 1 << 20;

    void onEvents(short revents);
    void flush();
    void updateWatch();

    EventLoop& loop_;
    int fd_;
    BytesHandler onBytes_;
    CloseHandler onClosed_;
    Bytes pending_;
};

}  // namespace sim
