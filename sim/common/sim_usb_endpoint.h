#pragma once

// The device side of the USB and HID emulations: serves one emulated device in the directory
// that a host process names in LYNKOR_USB_EMULATION, and moves its bulk transfers or reports.
//
// The directory and wire format (one SOCK_SEQPACKET socket "<name>.usb" or "<name>.hid" per
// device; "QUERY" and "CLAIM" handshakes answered "OK <descriptor>" or "BUSY <descriptor>"; then
// one message per bulk transfer or report) are described with the host side, in
// lynkor/platform/usb_emulation.h and hid_emulation.h.
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace sim {

struct UsbDeviceProperties {
    uint16_t vendorId = 0x3A7C;
    uint16_t productId = 0x0000;
    std::string serialNumber;  // the serial-number string, as the device reports it
    bool vendorInterface = true;
    uint16_t packetSize = 512;   // bulk IN and OUT max packet size
    bool heldElsewhere = false;  // as though another process had claimed the device
    // ".usb" for a device with a vendor interface, ".hid" for a HID device, whose messages are
    // reports and whose packet size is its largest input report.
    std::string socketSuffix = ".usb";
};

class UsbEndpoint {
public:
    using OutHandler = std::function<void(std::vector<uint8_t>)>;

    // Puts the device on the emulated bus as <directory>/<name><suffix>; throws std::runtime_error
    // when its socket cannot be made.
    UsbEndpoint(const std::string& directory, const std::string& name,
                UsbDeviceProperties properties);
    // Takes the device off the bus.
    ~UsbEndpoint();
    UsbEndpoint(const UsbEndpoint&) = delete;
    UsbEndpoint& operator=(const UsbEndpoint&) = delete;

    const std::string& path() const { return path_; }

    // Leaves the bus as a restarting device does: the host loses its connection and the socket
    // goes away. plugIn() brings it back (with the properties as they are then); false when
    // its socket cannot be made again.
    void unplug();
    bool plugIn();
    void setHeldElsewhere(bool held);

    // Whether a host holds the device's vendor interface now.
    bool claimed() const;
    bool waitForClaim(std::chrono::milliseconds timeout);

    // The next bulk OUT transfer from the host, or nothing within `timeout`.
    std::optional<std::vector<uint8_t>> receiveOut(std::chrono::milliseconds timeout);
    // Sends bytes to the host as bulk IN transfers (or input reports) of at most one packet
    // each. False when no host holds the device or it does not take them within `wait`.
    bool sendIn(const std::vector<uint8_t>& bytes,
                std::chrono::milliseconds wait = std::chrono::seconds(1));
    // When set, every bulk OUT transfer goes to the handler, on the endpoint's own thread,
    // instead of to receiveOut(). Set it before a host claims the device.
    void setOutHandler(OutHandler handler);

private:
    void serve();
    bool openListener();
    void closeAll();
    void handleHandshake(int fd);
    void handleHostMessage();
    std::string descriptor() const;
    void wake();

    const std::string path_;
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    UsbDeviceProperties properties_;
    OutHandler outHandler_;
    std::deque<std::vector<uint8_t>> outQueue_;
    bool wantPlugged_ = true;
    bool plugged_ = false;
    bool stopping_ = false;
    int wakeFd_ = -1;
    int listenerFd_ = -1;
    int hostFd_ = -1;           // the claimed connection; closed only by the serving thread
    std::vector<int> pending_;  // connections that have not yet said what they want
    std::thread thread_;
};

}  // namespace sim
