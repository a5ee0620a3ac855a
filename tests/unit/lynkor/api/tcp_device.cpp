#include "tcp_device.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <stdexcept>

namespace api_test {

namespace {

constexpr uint8_t kQueryAddress = 0xAD;
constexpr uint8_t kRouteAddress = 0xAF;
constexpr int kPollMs = 20;

bool s_isLinkTraffic(const Packet& packet) {
    return packet.address == kQueryAddress || packet.address == kRouteAddress ||
           (packet.data.size() == 2 && packet.data[0] == 0);
}

}  // namespace

TcpDevice::TcpDevice(uint8_t address) : address_(address) {
    listenFd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in where{};
    where.sin_family = AF_INET;
    where.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof where;
    if (listenFd_ < 0 || ::bind(listenFd_, reinterpret_cast<sockaddr*>(&where), length) != 0 ||
        ::listen(listenFd_, 4) != 0 ||
        ::getsockname(listenFd_, reinterpret_cast<sockaddr*>(&where), &length) != 0) {
        throw std::runtime_error("cannot listen on loopback");
    }
    port_ = ntohs(where.sin_port);
    thread_ = std::thread([this] { run(); });
}

TcpDevice::~TcpDevice() {
    stopping_ = true;
    thread_.join();
    ::close(listenFd_);
}

linkSpec TcpDevice::spec(uint32_t serialNumber) const {
    linkSpec spec{};
    spec.type = TCPIP;
    spec.serial_num = serialNumber;
    spec.module = address_;
    spec.ip_address = htonl(INADDR_LOOPBACK);
    spec.ip_port = port_;
    return spec;
}

void TcpDevice::respond(Responder responder) {
    std::lock_guard lock(mutex_);
    responder_ = std::move(responder);
}

void TcpDevice::send(const std::vector<Packet>& packets) {
    Bytes bytes;
    for (const Packet& packet : packets) {
        bytes.push_back(packet.address);
        bytes.push_back(static_cast<uint8_t>(packet.data.size()));
        bytes.insert(bytes.end(), packet.data.begin(), packet.data.end());
    }
    write(bytes);
}

void TcpDevice::sendBytes(const Bytes& bytes) {
    write(bytes);
}

std::vector<Packet> TcpDevice::received() {
    std::lock_guard lock(mutex_);
    return received_;
}

void TcpDevice::clearReceived() {
    std::lock_guard lock(mutex_);
    received_.clear();
}

bool TcpDevice::waitForReceived(const std::function<bool(const std::vector<Packet>&)>& done,
                                std::chrono::milliseconds limit) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, limit, [&] { return done(received_); });
}

void TcpDevice::hangUp() {
    std::lock_guard lock(writeMutex_);
    if (clientFd_ >= 0) {
        ::shutdown(clientFd_, SHUT_RDWR);
    }
}

void TcpDevice::write(const Bytes& bytes) {
    std::lock_guard lock(writeMutex_);
    size_t sent = 0;
    while (clientFd_ >= 0 && sent < bytes.size()) {
        const ssize_t n = ::send(clientFd_, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (n <= 0) {
            return;
        }
        sent += static_cast<size_t>(n);
    }
}

void TcpDevice::run() {
    while (!stopping_) {
        pollfd waiting{listenFd_, POLLIN, 0};
        if (::poll(&waiting, 1, kPollMs) <= 0) {
            continue;
        }
        const int fd = ::accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd >= 0) {
            serve(fd);
        }
    }
}

void TcpDevice::serve(int fd) {
    {
        std::lock_guard lock(writeMutex_);
        clientFd_ = fd;
    }
    Bytes pending;
    while (!stopping_) {
        pollfd waiting{fd, POLLIN, 0};
        if (::poll(&waiting, 1, kPollMs) <= 0) {
            continue;
        }
        uint8_t buffer[4096];
        const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
        if (n <= 0) {
            break;
        }
        pending.insert(pending.end(), buffer, buffer + n);
        while (pending.size() >= 2 && pending.size() >= 2u + pending[1]) {
            Packet packet{pending[0], Bytes(pending.begin() + 2, pending.begin() + 2 + pending[1])};
            pending.erase(pending.begin(), pending.begin() + 2 + pending[1]);
            handle(packet);
        }
    }
    std::lock_guard lock(writeMutex_);
    ::close(fd);
    clientFd_ = -1;
}

void TcpDevice::handle(const Packet& packet) {
    if (packet.address == kQueryAddress && packet.data.empty()) {
        send({Packet{address_, {}}});
        return;
    }
    std::vector<Packet> answers;
    {
        std::lock_guard lock(mutex_);
        if (s_isLinkTraffic(packet)) {
            return;
        }
        received_.push_back(packet);
        if (responder_) {
            answers = responder_(packet);
        }
    }
    changed_.notify_all();
    send(answers);
}

Packet reply(uint8_t address, Bytes data) {
    return Packet{address, std::move(data)};
}

Packet sample(uint8_t address, uint8_t command, uint8_t option, uint8_t index, uint8_t type,
              uint32_t value, uint8_t subindex, uint64_t time) {
    Bytes data = {command, option, static_cast<uint8_t>(index | 0x40), type};
    if (type >= 5) {
        data.push_back(subindex);
    }
    for (int shift = 56; shift >= 0; shift -= 8) {
        data.push_back(static_cast<uint8_t>(time >> shift));
    }
    const int width = (type == 1 || type == 5) ? 1 : (type == 2 || type == 6) ? 2 : 4;
    for (int shift = (width - 1) * 8; shift >= 0; shift -= 8) {
        data.push_back(static_cast<uint8_t>(value >> shift));
    }
    data.push_back(0);
    return Packet{address, data};
}

}  // namespace api_test
