#include "support/raw_host.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <stdexcept>
#include <thread>

namespace testing_support {

namespace {

using Clock = std::chrono::steady_clock;

constexpr size_t kMaxData = 28;

constexpr auto kRetryPause = std::chrono::milliseconds(10);

// A connected socket of `type`, tried again every kRetryPause until `wait` has passed; -1 when
// none could be made.
int s_connect(int domain, int type, const sockaddr* address, socklen_t length,
              std::chrono::milliseconds wait) {
    const auto deadline = Clock::now() + wait;
    while (true) {
        int fd = socket(domain, type | SOCK_CLOEXEC, 0);
        if (connect(fd, address, length) == 0) {
            return fd;
        }
        close(fd);
        if (Clock::now() >= deadline) {
            return -1;
        }
        std::this_thread::sleep_for(kRetryPause);
    }
}

int s_unixSocket(const std::string& path, std::chrono::milliseconds wait) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::snprintf(address.sun_path, sizeof address.sun_path, "%s", path.c_str());
    int fd = s_connect(AF_UNIX, SOCK_SEQPACKET, reinterpret_cast<sockaddr*>(&address),
                       sizeof address, wait);
    if (fd < 0) {
        throw std::runtime_error("cannot reach the emulated USB device " + path);
    }
    return fd;
}

// Sends CLAIM and returns the device's answer ("OK ..." or "BUSY ...").
std::string s_claim(int fd) {
    if (send(fd, "CLAIM", 5, MSG_NOSIGNAL) != 5) {
        throw std::runtime_error("claim not sent");
    }
    pollfd ready{fd, POLLIN, 0};
    char answer[512] = {};
    if (poll(&ready, 1, 5000) <= 0 || recv(fd, answer, sizeof answer - 1, 0) <= 0) {
        throw std::runtime_error("no answer to the claim");
    }
    return answer;
}

}  // namespace

void PrintTo(const RawPacket& packet, std::ostream* out) {
    char text[4];
    std::snprintf(text, sizeof text, "%02X:", packet.address);
    *out << text;
    for (uint8_t byte : packet.data) {
        std::snprintf(text, sizeof text, " %02X", byte);
        *out << text;
    }
}

RawHost RawHost::tcp(int port, std::chrono::milliseconds wait) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(static_cast<uint16_t>(port));
    int fd = s_connect(AF_INET, SOCK_STREAM, reinterpret_cast<sockaddr*>(&address), sizeof address,
                       wait);
    if (fd < 0) {
        throw std::runtime_error("cannot reach the simulated device on port " +
                                 std::to_string(port));
    }
    int on = 1;
    setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    return RawHost(fd);
}

RawHost RawHost::usb(const std::string& path, std::chrono::milliseconds wait) {
    int fd = s_unixSocket(path, wait);
    const std::string answer = s_claim(fd);
    if (answer.rfind("OK ", 0) != 0) {
        close(fd);
        throw std::runtime_error("claim refused: " + answer);
    }
    return RawHost(fd);
}

bool RawHost::usbBusy(const std::string& path) {
    int fd = s_unixSocket(path, std::chrono::milliseconds(0));
    const std::string answer = s_claim(fd);
    close(fd);
    return answer.rfind("BUSY ", 0) == 0;
}

RawHost::RawHost(RawHost&& other) noexcept
    : fd_(other.fd_), pending_(std::move(other.pending_)), keepHeartbeats_(other.keepHeartbeats_) {
    other.fd_ = -1;
}

RawHost::~RawHost() {
    if (fd_ >= 0) {
        close(fd_);
    }
}

void RawHost::send(uint8_t address, const std::vector<uint8_t>& data) {
    std::vector<uint8_t> wire(2 + data.size());
    wire[0] = address;
    wire[1] = static_cast<uint8_t>(data.size());
    std::copy(data.begin(), data.end(), wire.begin() + 2);
    sendRaw(wire);
}

void RawHost::sendRun(uint8_t address, const std::vector<uint8_t>& header,
                      const std::vector<uint8_t>& value) {
    constexpr size_t kRunPayload = 24;
    std::vector<uint8_t> wire;
    size_t offset = 0;
    uint8_t sequence = 0;
    do {
        const size_t count = std::min(kRunPayload, value.size() - offset);
        wire.push_back(address);
        wire.push_back(static_cast<uint8_t>(header.size() + count + 1));
        wire.insert(wire.end(), header.begin(), header.end());
        wire.insert(wire.end(), value.begin() + static_cast<long>(offset),
                    value.begin() + static_cast<long>(offset + count));
        offset += count;
        wire.push_back(static_cast<uint8_t>((offset < value.size() ? 0x80 : 0) | sequence));
        sequence = (sequence + 1) & 0x7F;
    } while (offset < value.size());
    sendRaw(wire);
}

void RawHost::sendRaw(const std::vector<uint8_t>& bytes) {
    if (::send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL) !=
        static_cast<ssize_t>(bytes.size())) {
        throw std::runtime_error("bytes not sent");
    }
}

std::optional<RawPacket> RawHost::takePacket() {
    while (pending_.size() >= 2) {
        const size_t length = pending_[1];
        if (pending_[0] == 0 || length > kMaxData) {
            throw std::runtime_error("the device sent a byte no packet starts with");
        }
        if (pending_.size() < 2 + length) {
            return std::nullopt;
        }
        RawPacket packet{pending_[0], {pending_.begin() + 2, pending_.begin() + 2 + length}};
        pending_.erase(pending_.begin(), pending_.begin() + 2 + static_cast<long>(length));
        const bool heartbeat = packet.data.size() == 2 && packet.data[0] == 0;
        if (!heartbeat || keepHeartbeats_) {
            return packet;
        }
    }
    return std::nullopt;
}

std::optional<ssize_t> RawHost::readBefore(Clock::time_point deadline, uint8_t* buffer,
                                           size_t size) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    pollfd ready{fd_, POLLIN, 0};
    if (left.count() <= 0 || poll(&ready, 1, static_cast<int>(left.count())) <= 0) {
        return std::nullopt;
    }
    return recv(fd_, buffer, size, 0);
}

std::optional<RawPacket> RawHost::receive(std::chrono::milliseconds wait) {
    const auto deadline = Clock::now() + wait;
    while (true) {
        if (auto packet = takePacket()) {
            return packet;
        }
        uint8_t buffer[4096];
        const auto count = readBefore(deadline, buffer, sizeof buffer);
        if (!count || *count <= 0) {
            return std::nullopt;
        }
        pending_.insert(pending_.end(), buffer, buffer + *count);
    }
}

std::vector<RawPacket> RawHost::receive(size_t count, std::chrono::milliseconds wait) {
    const auto deadline = Clock::now() + wait;
    std::vector<RawPacket> packets;
    while (packets.size() < count) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        auto packet = receive(std::max(left, std::chrono::milliseconds(0)));
        if (!packet) {
            break;
        }
        packets.push_back(std::move(*packet));
    }
    return packets;
}

std::optional<RawPacket> RawHost::request(uint8_t address, const std::vector<uint8_t>& data,
                                          std::chrono::milliseconds wait) {
    send(address, data);
    return receive(wait);
}

bool RawHost::quiet(std::chrono::milliseconds wait) {
    return !receive(wait).has_value();
}

RawHost::Ending RawHost::ending(std::chrono::milliseconds wait) {
    const auto deadline = Clock::now() + wait;
    while (true) {
        uint8_t buffer[4096];
        const auto count = readBefore(deadline, buffer, sizeof buffer);
        if (!count) {
            return Ending::Open;
        }
        if (*count == 0) {
            return Ending::Closed;
        }
        if (*count < 0) {
            return errno == ECONNRESET ? Ending::Reset : Ending::Closed;
        }
    }
}

}  // namespace testing_support
