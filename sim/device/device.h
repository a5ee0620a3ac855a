// A simulated device: identity, the link-level behaviour every device shares (query answers,
// route switches, heartbeats), a handler per command code, its property table, the fault rules
// a test injects, and the devices that sit behind it when it acts as a router.
#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "event_loop.h"
#include "fault_rules.h"
#include "host_connection.h"
#include "packet.h"
#include "property_table.h"

namespace sim {

struct DeviceConfig {
    uint32_t serial = 0;
    uint32_t model = 0;
    uint8_t address = 2;
    bool tcp = false;
    bool pty = false;
    bool usb = false;
    bool beacon = false;   // announced by beacon, as a device server would
    bool usbBusy = false;  // on the emulated bus as though another process held it
    bool loader = false;   // runs its loader, not its application, from the start
    // The block size its upgrade protocol reports, and how long a restart keeps it away.
    uint16_t blockSize = 1024;
    std::chrono::milliseconds downTime{250};
    // Firmware version, packed: 0x2F major minor patch.
    uint32_t version = 0x2F020A04;
    uint32_t build = 1000;
    std::string name;
    // The chip's identifier, in the order a fingerprint shows its words.
    std::array<uint32_t, 4> identifier{};
    // The router this device sits behind, on the bus address that is its module address.
    std::optional<uint32_t> routerSerial;
    std::chrono::milliseconds replyDelay{0};
    std::chrono::milliseconds streamPeriod{10};
};

struct DeviceStats {
    uint64_t packets = 0;    // packets received from hosts, of any kind
    uint64_t queries = 0;    // packets to the query address
    uint64_t routeOn = 0;    // route switches with value 1
    uint64_t routeOff = 0;   // route switches with value 0
    uint64_t foreign = 0;    // packets for a module address neither ours nor behind us
    uint64_t forwarded = 0;  // packets passed on to a device behind this one
    uint64_t unhandled = 0;  // commands without a handler
    uint64_t malformed = 0;  // requests too short or of a shape no handler takes
    uint64_t heartbeatsSent = 0;
    uint64_t heartbeatAnswers = 0;
    int lastHeartbeatAnswer = -1;
    uint64_t unanswered = 0;  // heartbeats sent since the last answer
    std::map<uint8_t, uint64_t> requestsByCommand;
    uint64_t faultsFired = 0;
    uint64_t ueiGets = 0;
    uint64_t ueiSets = 0;  // sets with a value, byte arrays included
    uint64_t ueiCalls = 0;
    uint64_t ueiErrors = 0;  // UEI requests refused with an error reply
    uint64_t runsIn = 0;     // byte-array runs received whole and stored
    uint64_t runsOut = 0;    // byte-array runs sent
    uint64_t runsRefused = 0;
    uint64_t streamSamples = 0;
    uint64_t streamGarbage = 0;
    uint64_t storeSaves = 0;
    uint64_t storeLoads = 0;
    uint64_t storeResets = 0;
    uint64_t routeToMeSets = 0;
    std::map<uint8_t, uint64_t> i2cProbes;  // by bus address
    std::map<uint8_t, uint8_t> i2cSpeed;    // last speed code used, by bus address
};

class Device;

// [command, byte 1 | 0x80, code]: the error reply of commands without a shape of their own.
Bytes genericErrorReply(const Bytes& request, uint8_t code);

// What a device does with one command code. Handlers answer through Device::answer.
class CommandHandler {
public:
    virtual ~CommandHandler() = default;
    virtual void handle(Device& device, const Packet& request, HostConnection& host) = 0;
    // Sees every request of this command as it arrives, before any fault rule catches it.
    virtual void observe(Device&, const Packet&) {}
    // The data of the reply that refuses `request` with `code`, shaped as the replies this
    // command's callers look for; by default the generic one.
    virtual Bytes errorReply(const Bytes& request, uint8_t code) const {
        return genericErrorReply(request, code);
    }
};

class Device {
public:
    Device(EventLoop& loop, const DeviceConfig& config);

    const DeviceConfig& config() const { return config_; }
    const DeviceStats& stats() const { return stats_; }
    DeviceStats& counters() { return stats_; }
    // The most recent packets from hosts, oldest first.
    const std::deque<Packet>& history() const { return history_; }
    void clearStatsAndHistory();

    PropertyTable& properties() { return properties_; }
    FaultRules& faults() { return faults_; }
    EventLoop& loop() { return loop_; }

    void setCommandHandler(uint8_t command, std::unique_ptr<CommandHandler> handler);
    // The action of the fault rule that caught the request being handled, for the actions that
    // the command's handler carries out itself.
    std::optional<FaultAction> handlerFault() const { return handlerFault_; }
    // Takes every UEI command that has no handler of its own.
    void setUeiHandler(std::unique_ptr<CommandHandler> handler);

    // Puts `child` behind this device, reached by packets to its module address.
    void addChild(Device& child);
    Device* router() const { return router_; }
    Device* childAt(uint8_t address) const;

    void attach(HostConnection* host);
    void detach(HostConnection* host);

    // Handles one packet that a host sent.
    void receive(const Packet& packet, HostConnection& host);

    // A packet from this device's module address.
    Packet reply(Bytes data) const { return Packet{config_.address, std::move(data)}; }
    // Sends `data` from this device to `host`, held back by the reply delay and by any
    // delay fault that caught the request being handled.
    void answer(HostConnection& host, Bytes data);
    void setReplyDelay(std::chrono::milliseconds delay) { replyDelay_ = delay; }

    // Sends a heartbeat (0 up, 1 down) to every host, or only to hosts known to be there.
    void sendHeartbeat(uint8_t value, bool onlyPresentHosts);
    // A device behind a router reaches the hosts through the router's connections.
    void sendToHosts(const Packet& packet);
    void sendRawToHosts(const Bytes& bytes);
    void hangUpHosts();

    // A muted device hears but answers nothing, as one whose firmware has hung.
    void setMuted(bool muted) { muted_ = muted; }
    bool muted() const { return muted_; }
    // A device that is down (restarting, or gone) hears nothing and sends nothing; answers it
    // held back from before are dropped, since the host they were for has seen it leave.
    void setDown(bool down);
    bool down() const { return down_; }

    // Sends `data` once to the host that queried the device last, when `quiet` has passed since
    // that query without another: as a loader that announces itself once a host has found it
    // again after a restart, and has finished looking for it.
    void announceAfterQueries(Bytes data, std::chrono::milliseconds quiet);

    // Muted, down, or behind a router that is: nothing it sends gets out.
    bool silenced() const { return muted_ || down_ || (router_ != nullptr && router_->silenced()); }

private:
    static constexpr size_t kHistoryLength = 256;

    struct Announcement {
        Bytes data;
        std::chrono::milliseconds quiet;
        std::optional<EventLoop::TimerId> timer;
    };

    void answerHeartbeatReply(const Packet& packet);
    void armAnnouncement(HostConnection& host);
    // Sends `packet` to the host `delay` from now, if the host is still there and the device has
    // not restarted meanwhile.
    void sendLater(std::chrono::milliseconds delay, uint64_t hostId, Packet packet);
    void handleCommand(const Packet& packet, HostConnection& host);
    HostConnection* attachedHost(uint64_t id) const;

    EventLoop& loop_;
    DeviceConfig config_;
    DeviceStats stats_;
    std::deque<Packet> history_;
    PropertyTable properties_;
    FaultRules faults_;
    std::map<uint8_t, std::unique_ptr<CommandHandler>> handlers_;
    std::unique_ptr<CommandHandler> ueiHandler_;
    std::vector<HostConnection*> hosts_;
    std::vector<Device*> children_;
    Device* router_ = nullptr;
    std::chrono::milliseconds replyDelay_{0};
    std::chrono::milliseconds requestDelay_{0};
    std::optional<FaultAction> handlerFault_;
    bool muted_ = false;
    bool down_ = false;
    // Counts the times the device went down, so that answers held back across it are dropped.
    uint64_t downs_ = 0;
    std::optional<Announcement> announcement_;
};

}  // namespace sim
