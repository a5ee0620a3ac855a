#include "fd_channel.h"

#include <errno.h>
#include <fcntl.h>
#include <unistd.h>

namespace sim {

FdChannel::FdChannel(EventLoop& loop, int fd, BytesHandler onBytes, CloseHandler onClosed)
    : loop_(loop), fd_(fd), onBytes_(std::move(onBytes)), onClosed_(std::move(onClosed)) {
    fcntl(fd_, F_SETFL, fcntl(fd_, F_GETFL) | O_NONBLOCK);
    updateWatch();
}

FdChannel::~FdChannel() {
    loop_.unwatch(fd_);
    close(fd_);
}

void FdChannel::write(const Bytes& bytes) {
    if (pending_.size() + bytes.size() > kMaxPending) {
        return;
    }
    pending_.insert(pending_.end(), bytes.begin(), bytes.end());
    flush();
}

void FdChannel::flush() {
    while (!pending_.empty()) {
        ssize_t n = ::write(fd_, pending_.data(), pending_.size());
        if (n > 0) {
            pending_.erase(pending_.begin(), pending_.begin() + n);
            continue;
        }
        if (n < 0 && errno == EINTR) {
            continue;
        }
        // EAGAIN waits for room; other errors show up as a hang-up on the read side.
        break;
    }
    updateWatch();
}

void FdChannel::updateWatch() {
    const short events = pending_.empty() ? POLLIN : static_cast<short>(POLLIN | POLLOUT);
    loop_.watch(fd_, events, [this](short revents) { onEvents(revents); });
}

void FdChannel::onEvents(short revents) {
    if (revents & POLLOUT) {
        flush();
    }
    if (revents & (POLLIN | POLLHUP | POLLERR)) {
        uint8_t buffer[4096];
        ssize_t n = ::read(fd_, buffer, sizeof buffer);
        if (n > 0) {
            onBytes_(buffer, static_cast<size_t>(n));
        } else if (n == 0 || (errno != EAGAIN && errno != EINTR)) {
            onClosed_();
        }
    }
}

}  // namespace sim
