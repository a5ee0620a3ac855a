#include "platform/message_socket.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cstdint>

namespace lynkor::platform {

void waitEitherReadable(int first, int second, int timeoutMs) {
    pollfd entries[2] = {{first, POLLIN, 0}, {second, POLLIN, 0}};
    poll(entries, 2, timeoutMs);
}

WakeSignal::WakeSignal() : fd_(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}

WakeSignal::~WakeSignal() {
    if (fd_ >= 0) {
        close(fd_);
    }
}

void WakeSignal::raise() {
    uint64_t one = 1;
    [[maybe_unused]] ssize_t ignored = write(fd_, &one, sizeof one);
}

void WakeSignal::clear() {
    uint64_t count = 0;
    [[maybe_unused]] ssize_t ignored = read(fd_, &count, sizeof count);
}

}  // namespace lynkor::platform
