#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace testing_support {

// One link packet as a host sees it: the module address and the data bytes.
struct RawPacket {
    uint8_t address = 0;
    std::vector<uint8_t> data;

    bool operator==(const RawPacket&) const = default;
};

// "06: 03 09 00 ..." in test failure messages.
void PrintTo(const RawPacket& packet, std::ostream* out);

// A host that talks to a simulated device in plain link packets (address, length, data) over
// TCP or the emulated USB bus, without the library, so that tests can check the device's bytes.
// Heartbeats (command 0 with one value byte) are skipped unless asked for.
class RawHost {
public:
    static constexpr auto kDefaultWait = std::chrono::milliseconds(2000);

    // Connects to 127.0.0.1:port.
    static RawHost tcp(int port);
    // Claims the device served at `path` (a "<serial>.usb" socket); throws when it is busy.
    static RawHost usb(const std::string& path);
    // Whether a claim of the device at `path` is refused as busy.
    static bool usbBusy(const std::string& path);

    RawHost(RawHost&& other) noexcept;
    RawHost& operator=(RawHost&&) = delete;
    RawHost(const RawHost&) = delete;
    ~RawHost();

    void send(uint8_t address, const std::vector<uint8_t>& data);
    // Bytes as they are, outside the framing.
    void sendRaw(const std::vector<uint8_t>& bytes);
    // The next packet, or nothing within `wait`.
    std::optional<RawPacket> receive(std::chrono::milliseconds wait = kDefaultWait);
    // Up to `count` packets, as many as come within `wait`.
    std::vector<RawPacket> receive(size_t count, std::chrono::milliseconds wait = kDefaultWait);
    // Sends a request and returns the first packet that answers, or nothing.
    std::optional<RawPacket> request(uint8_t address, const std::vector<uint8_t>& data,
                                     std::chrono::milliseconds wait = kDefaultWait);
    // True when nothing arrives within `wait`.
    bool quiet(std::chrono::milliseconds wait = std::chrono::milliseconds(150));

    void keepHeartbeats(bool keep) { keepHeartbeats_ = keep; }

private:
    explicit RawHost(int fd) : fd_(fd) {}
    std::optional<RawPacket> takePacket();

    int fd_ = -1;
    std::vector<uint8_t> pending_;
    bool keepHeartbeats_ = false;
};

}  // namespace testing_support
