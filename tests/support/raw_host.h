#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include <sys/types.h>

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

    // Connects to 127.0.0.1:port; while nothing listens there, tries again until `wait` has
    // passed (a device that is restarting). Throws when it cannot.
    static RawHost tcp(int port, std::chrono::milliseconds wait = std::chrono::milliseconds(0));
    // Claims the device served at `path` (a "<serial>.usb" socket); while there is none, tries
    // again until `wait` has passed. Throws when it cannot, or when the device is busy.
    static RawHost usb(const std::string& path,
                       std::chrono::milliseconds wait = std::chrono::milliseconds(0));
    // Whether a claim of the device at `path` is refused as busy.
    static bool usbBusy(const std::string& path);

    RawHost(RawHost&& other) noexcept;
    RawHost& operator=(RawHost&&) = delete;
    RawHost(const RawHost&) = delete;
    ~RawHost();

    void send(uint8_t address, const std::vector<uint8_t>& data);
    // Bytes as they are, outside the framing.
    void sendRaw(const std::vector<uint8_t>& bytes);
    // Sends `value` as a byte-array run: packets of `header`, up to 24 bytes and a trailer (bit 7
    // more follows, bits 0-6 the sequence modulo 128), all back to back in one write, as pooled
    // packets travel.
    void sendRun(uint8_t address, const std::vector<uint8_t>& header,
                 const std::vector<uint8_t>& value);
    // The next packet, or nothing within `wait`.
    std::optional<RawPacket> receive(std::chrono::milliseconds wait = kDefaultWait);
    // Up to `count` packets, as many as come within `wait`.
    std::vector<RawPacket> receive(size_t count, std::chrono::milliseconds wait = kDefaultWait);
    // Sends a request and returns the first packet that answers, or nothing.
    std::optional<RawPacket> request(uint8_t address, const std::vector<uint8_t>& data,
                                     std::chrono::milliseconds wait = kDefaultWait);
    // True when nothing arrives within `wait`.
    bool quiet(std::chrono::milliseconds wait = std::chrono::milliseconds(150));

    // How the device ended the connection: closed it (FIN; USB: left the bus), reset it (RST),
    // or neither within `wait`. Packets that come first are dropped.
    enum class Ending { Open, Closed, Reset };
    Ending ending(std::chrono::milliseconds wait = kDefaultWait);

    void keepHeartbeats(bool keep) { keepHeartbeats_ = keep; }

private:
    explicit RawHost(int fd) : fd_(fd) {}
    std::optional<RawPacket> takePacket();
    // What recv gave once something could be read, or nothing by the deadline.
    std::optional<ssize_t> readBefore(std::chrono::steady_clock::time_point deadline,
                                      uint8_t* buffer, size_t size);

    int fd_ = -1;
    std::vector<uint8_t> pending_;
    bool keepHeartbeats_ = false;
};

}  // namespace testing_support
