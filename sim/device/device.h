// A simulated device: identity, the link-level behaviour every device shares (query answers,
// route switches, heartbeats) and a table of command handlers that further behaviour plugs into.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "host_connection.h"
#include "packet.h"

namespace sim {

struct DeviceConfig {
    uint32_t serial = 0;
    uint32_t model = 0;
    uint8_t address = 2;
    bool tcp = false;
    bool pty = false;
    bool usb = false;
    bool beacon = false;  // announced by beacon, as a device server would
};

struct DeviceStats {
    uint64_t packets = 0;    // packets received from hosts, of any kind
    uint64_t queries = 0;    // packets to the query address
    uint64_t routeOn = 0;    // route switches with value 1
    uint64_t routeOff = 0;   // route switches with value 0
    uint64_t foreign = 0;    // packets for another module address
    uint64_t unhandled = 0;  // commands without a handler
    uint64_t heartbeatsSent = 0;
    uint64_t heartbeatAnswers = 0;
    int lastHeartbeatAnswer = -1;
    uint64_t unanswered = 0;  // heartbeats sent since the last answer
};

class Device {
public:
    using Handler =
        std::function<void(Device& device, const Packet& request, HostConnection& host)>;

    explicit Device(const DeviceConfig& config);

    const DeviceConfig& config() const { return config_; }
    const DeviceStats& stats() const { return stats_; }
    // The most recent packets from hosts, oldest first.
    const std::deque<Packet>& history() const { return history_; }

    void setCommandHandler(uint8_t command, Handler handler);

    void attach(HostConnection* host);
    void detach(HostConnection* host);

    // Handles one packet that a host sent.
    void receive(const Packet& packet, HostConnection& host);

    // A packet from this device's module address.
    Packet reply(Bytes data) const { return Packet{config_.address, std::move(data)}; }

    // Sends a heartbeat (0 up, 1 down) to every host, or only to hosts known to be there.
    void sendHeartbeat(uint8_t value, bool onlyPresentHosts);
    void sendToHosts(const Packet& packet);
    void sendRawToHosts(const Bytes& bytes);
    void hangUpHosts();

    // A muted device hears but answers nothing, as one whose firmware has hung.
    void setMuted(bool muted) { muted_ = muted; }
    bool muted() const { return muted_; }

private:
    static constexpr size_t kHistoryLength = 256;

    void answerHeartbeatReply(const Packet& packet);

    DeviceConfig config_;
    DeviceStats stats_;
    std::deque<Packet> history_;
    std::map<uint8_t, Handler> handlers_;
    std::vector<HostConnection*> hosts_;
    bool muted_ = false;
};

}  // namespace sim
