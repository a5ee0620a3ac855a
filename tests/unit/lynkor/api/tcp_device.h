#pragma once

// A device played by the test on a loopback TCP port, speaking the plain link framing: it
// answers the link's address queries itself and hands every other packet to the test's
// responder, whose answers it sends back.
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

#include "lynkor/aLinkSpec.h"

namespace api_test {

using Bytes = std::vector<uint8_t>;

struct Packet {
    uint8_t address = 0;
    Bytes data;
    bool operator==(const Packet&) const = default;
};

class TcpDevice {
public:
    using Responder = std::function<std::vector<Packet>(const Packet& request)>;

    explicit TcpDevice(uint8_t address = 4);
    ~TcpDevice();
    TcpDevice(const TcpDevice&) = delete;
    TcpDevice& operator=(const TcpDevice&) = delete;

    uint8_t address() const { return address_; }
    // A linkSpec that reaches this device over TCP.
    linkSpec spec(uint32_t serialNumber = 0x1234ABCD) const;

    void respond(Responder responder);
    // Sends packets of the device's own accord.
    void send(const std::vector<Packet>& packets);
    void sendBytes(const Bytes& bytes);
    // What the host sent, except the link's own traffic (address queries, route switch,
    // heartbeat answers).
    std::vector<Packet> received();
    void clearReceived();
    bool waitForReceived(const std::function<bool(const std::vector<Packet>&)>& done,
                         std::chrono::milliseconds limit = std::chrono::seconds(5));
    // Closes the host's connection.
    void hangUp();

private:
    void run();
    void serve(int fd);
    void handle(const Packet& packet);
    void write(const Bytes& bytes);

    uint8_t address_;
    int listenFd_ = -1;
    uint16_t port_ = 0;
    std::atomic<bool> stopping_{false};
    std::mutex mutex_;
    std::condition_variable changed_;
    Responder responder_;
    std::vector<Packet> received_;
    int clientFd_ = -1;
    std::mutex writeMutex_;
    std::thread thread_;
};

// Builders for the test's answers.
Packet reply(uint8_t address, Bytes data);
// A stream sample of type 1-3 or 5-7 with the value in its width.
Packet sample(uint8_t address, uint8_t command, uint8_t option, uint8_t index, uint8_t type,
              uint32_t value, uint8_t subindex = 0, uint64_t time = 0);

}  // namespace api_test
