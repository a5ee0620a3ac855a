#include "sim_usb_endpoint.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <stdexcept>

namespace sim {
namespace {

constexpr size_t kLargestOutTransfer = 64 * 1024;
constexpr size_t kHandshakeSize = 16;

void sendMessage(int fd, const std::string& text) {
    send(fd, text.data(), text.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
}

}  // namespace

UsbEndpoint::UsbEndpoint(const std::string& directory, const std::string& name,
                         UsbDeviceProperties properties)
    : path_(directory + "/" + name + properties.socketSuffix), properties_(std::move(properties)) {
    wakeFd_ = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (wakeFd_ < 0) {
        throw std::runtime_error("sim_usb_endpoint: no eventfd");
    }
    if (!openListener()) {
        close(wakeFd_);
        throw std::runtime_error("sim_usb_endpoint: cannot serve " + path_);
    }
    thread_ = std::thread([this] { serve(); });
}

UsbEndpoint::~UsbEndpoint() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake();
    thread_.join();
    close(wakeFd_);
}

void UsbEndpoint::wake() {
    uint64_t one = 1;
    [[maybe_unused]] ssize_t ignored = write(wakeFd_, &one, sizeof one);
}

// Serving thread, or the constructor before it starts.
bool UsbEndpoint::openListener() {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (path_.size() >= sizeof address.sun_path) {
        return false;
    }
    std::memcpy(address.sun_path, path_.c_str(), path_.size() + 1);
    unlink(path_.c_str());
    int fd = socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0 || bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        listen(fd, 8) != 0) {
        if (fd >= 0) {
            close(fd);
        }
        return false;
    }
    std::lock_guard lock(mutex_);
    listenerFd_ = fd;
    plugged_ = true;
    changed_.notify_all();
    return true;
}

// Serving thread: leaves the bus. The socket goes first, so that a host which sees its
// connection end and looks again finds the device gone.
void UsbEndpoint::closeAll() {
    std::lock_guard lock(mutex_);
    if (listenerFd_ >= 0) {
        close(listenerFd_);
        listenerFd_ = -1;
        unlink(path_.c_str());
    }
    for (int fd : pending_) {
        close(fd);
    }
    pending_.clear();
    if (hostFd_ >= 0) {
        close(hostFd_);
        hostFd_ = -1;
    }
    plugged_ = false;
    changed_.notify_all();
}

std::string UsbEndpoint::descriptor() const {
    char fields[128];
    std::snprintf(fields, sizeof fields,
                  "vid=%04x pid=%04x vendor_interface=%d packet_size=%u held=%d",
                  properties_.vendorId, properties_.productId, properties_.vendorInterface ? 1 : 0,
                  static_cast<unsigned>(properties_.packetSize),
                  properties_.heldElsewhere || hostFd_ >= 0 ? 1 : 0);
    return std::string(fields) + " serial=" + properties_.serialNumber;
}

// Serving thread: a new connection said what it wants.
void UsbEndpoint::handleHandshake(int fd) {
    char command[kHandshakeSize];
    ssize_t got = recv(fd, command, sizeof command, MSG_DONTWAIT);
    if (got < 0 && errno == EAGAIN) {
        return;
    }
    pending_.erase(std::find(pending_.begin(), pending_.end(), fd));
    const std::string said = got > 0 ? std::string(command, static_cast<size_t>(got)) : "";
    if (said == "CLAIM") {
        std::lock_guard lock(mutex_);
        if (hostFd_ >= 0 || properties_.heldElsewhere) {
            sendMessage(fd, "BUSY " + descriptor());
            close(fd);
            return;
        }
        sendMessage(fd, "OK " + descriptor());
        hostFd_ = fd;
        changed_.notify_all();
        return;
    }
    if (said == "QUERY") {
        std::lock_guard lock(mutex_);
        sendMessage(fd, "OK " + descriptor());
    }
    close(fd);
}

// Serving thread: the host sent a bulk OUT transfer or let go of the device.
void UsbEndpoint::handleHostMessage() {
    std::vector<uint8_t> transfer(kLargestOutTransfer);
    ssize_t got = recv(hostFd_, transfer.data(), transfer.size(), MSG_DONTWAIT);
    if (got < 0 && errno == EAGAIN) {
        return;
    }
    if (got <= 0) {
        std::lock_guard lock(mutex_);
        close(hostFd_);
        hostFd_ = -1;
        changed_.notify_all();
        return;
    }
    transfer.resize(static_cast<size_t>(got));
    OutHandler handler;
    {
        std::lock_guard lock(mutex_);
        handler = outHandler_;
        if (!handler) {
            outQueue_.push_back(std::move(transfer));
            changed_.notify_all();
            return;
        }
    }
    handler(std::move(transfer));
}

void UsbEndpoint::serve() {
    for (;;) {
        std::vector<pollfd> watched{{wakeFd_, POLLIN, 0}};
        {
            std::lock_guard lock(mutex_);
            if (stopping_) {
                break;
            }
            if (listenerFd_ >= 0) {
                watched.push_back({listenerFd_, POLLIN, 0});
            }
            if (hostFd_ >= 0) {
                watched.push_back({hostFd_, POLLIN, 0});
            }
            for (int fd : pending_) {
                watched.push_back({fd, POLLIN, 0});
            }
        }
        poll(watched.data(), watched.size(), -1);
        uint64_t count = 0;
        [[maybe_unused]] ssize_t ignored = read(wakeFd_, &count, sizeof count);

        bool wantPlugged = false;
        {
            std::lock_guard lock(mutex_);
            wantPlugged = wantPlugged_;
        }
        if (!wantPlugged && plugged_) {
            closeAll();
            continue;
        }
        if (wantPlugged && !plugged_) {
            if (!openListener()) {
                std::lock_guard lock(mutex_);
                wantPlugged_ = false;  // tells plugIn() that the device could not come back
                changed_.notify_all();
            }
            continue;
        }
        for (const pollfd& entry : watched) {
            if (entry.fd == wakeFd_ || entry.revents == 0) {
                continue;
            }
            if (entry.fd == listenerFd_) {
                int fd = accept4(listenerFd_, nullptr, nullptr, SOCK_CLOEXEC);
                if (fd >= 0) {
                    pending_.push_back(fd);
                }
            } else if (entry.fd == hostFd_) {
                handleHostMessage();
            } else if (std::find(pending_.begin(), pending_.end(), entry.fd) != pending_.end()) {
                handleHandshake(entry.fd);
            }
        }
    }
    closeAll();
}

void UsbEndpoint::unplug() {
    std::unique_lock lock(mutex_);
    wantPlugged_ = false;
    wake();
    changed_.wait(lock, [this] { return !plugged_; });
}

bool UsbEndpoint::plugIn() {
    std::unique_lock lock(mutex_);
    wantPlugged_ = true;
    wake();
    changed_.wait(lock, [this] { return plugged_ || !wantPlugged_; });
    return plugged_;
}

void UsbEndpoint::setHeldElsewhere(bool held) {
    std::lock_guard lock(mutex_);
    properties_.heldElsewhere = held;
}

bool UsbEndpoint::claimed() const {
    std::lock_guard lock(mutex_);
    return hostFd_ >= 0;
}

bool UsbEndpoint::waitForClaim(std::chrono::milliseconds timeout) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, timeout, [this] { return hostFd_ >= 0; });
}

std::optional<std::vector<uint8_t>> UsbEndpoint::receiveOut(std::chrono::milliseconds timeout) {
    std::unique_lock lock(mutex_);
    if (!changed_.wait_for(lock, timeout, [this] { return !outQueue_.empty(); })) {
        return std::nullopt;
    }
    std::vector<uint8_t> transfer = std::move(outQueue_.front());
    outQueue_.pop_front();
    return transfer;
}

bool UsbEndpoint::sendIn(const std::vector<uint8_t>& bytes, std::chrono::milliseconds wait) {
    // Holding the lock keeps the serving thread from closing the connection under us.
    std::lock_guard lock(mutex_);
    if (hostFd_ < 0) {
        return false;
    }
    const size_t packet = std::max<size_t>(properties_.packetSize, 1);
    for (size_t offset = 0; offset < bytes.size(); offset += packet) {
        const size_t length = std::min(packet, bytes.size() - offset);
        pollfd entry{hostFd_, POLLOUT, 0};
        if (poll(&entry, 1, static_cast<int>(wait.count())) != 1 ||
            send(hostFd_, bytes.data() + offset, length, MSG_NOSIGNAL | MSG_DONTWAIT) !=
                static_cast<ssize_t>(length)) {
            return false;
        }
    }
    return true;
}

void UsbEndpoint::setOutHandler(OutHandler handler) {
    std::lock_guard lock(mutex_);
    outHandler_ = std::move(handler);
}

}  // namespace sim
