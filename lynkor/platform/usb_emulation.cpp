// The emulated USB backend: devices are sockets that a simulator serves in a directory.
#include "platform/usb_emulation.h"

#include <dirent.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <new>

#include "platform/usb.h"
#include "platform/usb_emulation_answer.h"

namespace lynkor::platform {
namespace {

// A device answers its handshake at once; this only bounds a simulator that hangs.
constexpr int kHandshakeTimeoutMs = 1000;
constexpr size_t kHandshakeMessageSize = 512;

struct EmulatedDevice : UsbDevice {
    int fd = -1;
    ~EmulatedDevice() override {
        if (fd >= 0) {
            ::close(fd);
        }
    }
};

EmulatedDevice* s_device(UsbDevice* handle) {
    return static_cast<EmulatedDevice*>(handle);
}

int s_connect(const std::string& path) {
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

// Sends a handshake command and returns the device's one-message answer, empty on failure.
std::string s_exchange(int fd, const char* command) {
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

aErr s_listDevices(std::vector<UsbDeviceInfo>* devices) {
    const char* directory = std::getenv(kUsbEmulationVariable);
    DIR* listing = directory != nullptr ? opendir(directory) : nullptr;
    if (listing == nullptr) {
        return aErrIO;
    }
    const std::string suffix = kUsbEmulationSuffix;
    while (dirent* entry = readdir(listing)) {
        const std::string name = entry->d_name;
        if (name.size() <= suffix.size() ||
            name.compare(name.size() - suffix.size(), suffix.size(), suffix) != 0) {
            continue;
        }
        UsbDeviceInfo info;
        info.location = std::string(directory) + "/" + name;
        int fd = s_connect(info.location);
        if (fd < 0) {
            continue;  // nobody serves it: the device is not on the bus
        }
        const std::string status = readEmulationAnswer(s_exchange(fd, "QUERY"), &info);
        ::close(fd);
        if (status == "OK") {
            devices->push_back(info);
        }
    }
    closedir(listing);
    return aErrNone;
}

aErr s_open(const UsbDeviceInfo& info, UsbDevice** handle) {
    int fd = s_connect(info.location);
    if (fd < 0) {
        return errno == ENOENT || errno == ECONNREFUSED ? aErrNotFound
               : errno == EACCES                        ? aErrPermission
                                                        : aErrIO;
    }
    auto* device = new (std::nothrow) EmulatedDevice;
    if (device == nullptr) {
        ::close(fd);
        return aErrMemory;
    }
    device->fd = fd;
    *handle = device;
    return aErrNone;
}

aErr s_claim(UsbDevice* handle) {
    UsbDeviceInfo info;
    const std::string status =
        readEmulationAnswer(s_exchange(s_device(handle)->fd, "CLAIM"), &info);
    if (status == "BUSY") {
        return aErrBusy;
    }
    if (status != "OK") {
        return aErrIO;
    }
    return info.hasVendorInterface ? aErrNone : aErrNotFound;
}

aErr s_bulkIn(UsbDevice* handle, uint8_t* buffer, size_t capacity, size_t* received,
              int timeoutMs) {
    *received = 0;
    const int fd = s_device(handle)->fd;
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

aErr s_bulkOut(UsbDevice* handle, const uint8_t* data, size_t length, size_t* sent, int timeoutMs) {
    *sent = 0;
    const int fd = s_device(handle)->fd;
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
    *sent = length;
    return aErrNone;
}

void s_close(UsbDevice* handle) {
    delete s_device(handle);
}

}  // namespace

const UsbBackend kUsbEmulationBackend = {"emulation", s_listDevices, s_open, s_claim,
                                         s_bulkIn,    s_bulkOut,     s_close};

}  // namespace lynkor::platform
