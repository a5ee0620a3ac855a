#include "platform/emulation_wire.h"

#include <dirent.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <sstream>

namespace lynkor::platform {
namespace {

// A device answers its handshake at once; this only bounds a simulator that hangs.
constexpr int kHandshakeTimeoutMs = 1000;
constexpr size_t kHandshakeMessageSize = 512;
constexpr const char* kSerialField = " serial=";

}  // namespace

EmulationAnswer parseEmulationAnswer(const std::string& text) {
    EmulationAnswer answer;
    std::istringstream fields(text);
    std::string status;
    fields >> status;
    std::string field;
    while (fields >> field) {
        const size_t equals = field.find('=');
        if (equals == std::string::npos) {
            return {};
        }
        const std::string key = field.substr(0, equals);
        if (key == "serial") {
            // The serial-number string runs to the end of the message.
            const size_t start = text.find(kSerialField);
            if (start == std::string::npos) {
                return {};
            }
            answer.serialNumber = text.substr(start + std::strlen(kSerialField));
            answer.status = status;
            return answer;
        }
        const std::string value = field.substr(equals + 1);
        const unsigned long number =
            std::strtoul(value.c_str(), nullptr, key == "vid" || key == "pid" ? 16 : 10);
        if (key == "vid") {
            answer.vendorId = static_cast<uint16_t>(number);
        } else if (key == "pid") {
            answer.productId = static_cast<uint16_t>(number);
        } else if (key == "vendor_interface") {
            answer.vendorInterface = number != 0;
        } else if (key == "packet_size") {
            answer.packetSize = static_cast<uint16_t>(number);
        } else if (key == "held") {
            answer.held = number != 0;
        }
    }
    return {};
}

std::vector<std::string> emulatedSockets(const std::string& directory, const std::string& suffix) {
    std::vector<std::string> paths;
    DIR* listing = opendir(directory.c_str());
    if (listing == nullptr) {
        return paths;
    }
    while (dirent* entry = readdir(listing)) {
        const std::string name = entry->d_name;
        if (name.size() > suffix.size() &&
            name.compare(name.size() - suffix.size(), suffix.size(), suffix) == 0) {
            paths.push_back(directory + "/" + name);
        }
    }
    closedir(listing);
    std::sort(paths.begin(), paths.end());
    return paths;
}

int connectEmulated(const std::string& path) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (path.size() >= sizeof address.sun_path) {
        errno = ENAMETOOLONG;
        return -1;
    }
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    int fd = socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        return -1;
    }
    if (connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        int error = errno;
        ::close(fd);
        errno = error;
        return -1;
    }
    return fd;
}

std::string exchangeHandshake(int fd, const char* command) {
    if (send(fd, command, std::strlen(command), MSG_NOSIGNAL) < 0) {
        return {};
    }
    pollfd entry{fd, POLLIN, 0};
    if (poll(&entry, 1, kHandshakeTimeoutMs) != 1) {
        return {};
    }
    char reply[kHandshakeMessageSize];
    ssize_t got = recv(fd, reply, sizeof reply, 0);
    return got > 0 ? std::string(reply, static_cast<size_t>(got)) : std::string();
}

aErr receiveEmulated(int fd, uint8_t* buffer, size_t capacity, size_t* received, int timeoutMs) {
    *received = 0;
    pollfd entry{fd, POLLIN, 0};
    int ready = poll(&entry, 1, timeoutMs);
    if (ready == 0 || (ready < 0 && errno == EINTR)) {
        return aErrTimeout;
    }
    ssize_t got = ready > 0 ? recv(fd, buffer, capacity, MSG_DONTWAIT) : -1;
    if (got < 0 && errno == EAGAIN) {
        return aErrTimeout;
    }
    if (got <= 0) {
        return aErrIO;
    }
    *received = static_cast<size_t>(got);
    return aErrNone;
}

aErr sendEmulated(int fd, const uint8_t* data, size_t length, int timeoutMs) {
    pollfd entry{fd, POLLOUT, 0};
    if (poll(&entry, 1, timeoutMs) != 1) {
        return aErrTimeout;
    }
    if ((entry.revents & (POLLHUP | POLLERR)) != 0) {
        return aErrIO;
    }
    if (send(fd, data, length, MSG_NOSIGNAL | MSG_DONTWAIT) < 0) {
        return errno == EAGAIN ? aErrTimeout : aErrIO;
    }
    return aErrNone;
}

}  // namespace lynkor::platform
