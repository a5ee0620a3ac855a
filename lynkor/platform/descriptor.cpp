#include "platform/descriptor.h"

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <thread>

namespace lynkor::platform {
namespace {

IoStatus s_statusOfErrno(int error) {
    switch (error) {
        case EAGAIN:
        case EINTR:
            return IoStatus::NothingYet;
        case ECONNRESET:
        case ECONNABORTED:
        case ENOTCONN:
        case EPIPE:
        case ETIMEDOUT:
        case ENETRESET:
        case EIO:  // a serial line or pseudo-terminal whose other side has gone
            return IoStatus::ConnectionLost;
        default:
            return IoStatus::Failed;
    }
}

IoResult s_outcome(ssize_t count) {
    if (count > 0) {
        return {IoStatus::Done, static_cast<size_t>(count)};
    }
    if (count == 0) {
        return {IoStatus::Closed, 0};
    }
    return {s_statusOfErrno(errno), 0};
}

}  // namespace

IoResult readAvailable(int fd, uint8_t* buffer, size_t capacity, int timeoutMs) {
    pollfd entry{fd, POLLIN, 0};
    int ready = poll(&entry, 1, timeoutMs);
    if (ready < 0) {
        return {s_statusOfErrno(errno), 0};
    }
    if (ready == 0) {
        return {IoStatus::NothingYet, 0};
    }
    if ((entry.revents & POLLNVAL) != 0) {
        return {IoStatus::Failed, 0};
    }
    return s_outcome(read(fd, buffer, capacity));
}

IoResult sendSome(int fd, const uint8_t* data, size_t length) {
    return s_outcome(send(fd, data, length, MSG_NOSIGNAL | MSG_DONTWAIT));
}

IoResult writeSome(int fd, const uint8_t* data, size_t length) {
    IoResult result = s_outcome(write(fd, data, length));
    // A zero-byte write on a terminal is no end of stream, only no progress.
    return result.status == IoStatus::Closed ? IoResult{IoStatus::NothingYet, 0} : result;
}

bool waitWritable(int fd, int timeoutMs) {
    pollfd entry{fd, POLLOUT, 0};
    return poll(&entry, 1, timeoutMs) == 1 && (entry.revents & POLLOUT) != 0;
}

void closeDescriptor(int fd) {
    if (fd >= 0) {
        close(fd);
    }
}

void sleepMilliseconds(int milliseconds) {
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

}  // namespace lynkor::platform
