#include "server/device_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <zmq.h>

#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <system_error>
#include <vector>

#include "lynkor/aLink.h"
#include "lynkor/aTime.h"
#include "platform/network_interfaces.h"
#include "server/announcer.h"
#include "server/broker.h"
#include "server/sync_task.h"

namespace lynkor::server {

namespace {

using Clock = std::chrono::steady_clock;

// The internal pairs live in the server's own context, out of reach of any other process.
constexpr const char* kSyncEndpoint = "inproc://sync";
constexpr const char* kStreamEndpoint = "inproc://stream";
// Above every limit of the broker, so that a send within the limits never finds a pair full.
constexpr int kSyncHighWater = 4096;
// Stream batches waiting for the broker; more are dropped.
constexpr int kStreamHighWater = 64;
// Nothing a client may send is larger than one packet; a peer sending more is disconnected.
constexpr int64_t kFrontendMaxMessage = 64;
// Messages the broker takes from the front end before it looks at its other sockets again.
constexpr int kFrontendBurst = 256;
// The broker keeps identity, content and a sign that more parts came; the rest is read away.
constexpr size_t kKeptParts = 3;
constexpr uint32_t kBrokerPollMs = 1000;
constexpr uint32_t kSyncPollMs = 1000;
// The sync task waits for answers in slices this long, so that a stop is seen.
constexpr uint32_t kAnswerSliceMs = 100;
constexpr uint32_t kNotRunningPauseMs = 10;
constexpr const char* kLoopbackBroadcast = "127.255.255.255";
constexpr size_t kBeaconReceiveSize = 256;

uint64_t s_nowMs() {
    return static_cast<uint64_t>(
        std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now().time_since_epoch())
            .count());
}

bool s_isLoopback(uint32_t address) {
    return (ntohl(address) >> 24) == 127;
}

void s_setInt(void* socket, int option, int value) {
    zmq_setsockopt(socket, option, &value, sizeof value);
}

void* s_pairSocket(void* context, int highWater) {
    void* socket = zmq_socket(context, ZMQ_PAIR);
    if (socket != nullptr) {
        s_setInt(socket, ZMQ_LINGER, 0);
        s_setInt(socket, ZMQ_SNDHWM, highWater);
        s_setInt(socket, ZMQ_RCVHWM, highWater);
    }
    return socket;
}

// Takes one whole message, if one is waiting.
bool s_receiveParts(void* socket, std::vector<std::vector<uint8_t>>& parts) {
    parts.clear();
    int more = 0;
    do {
        zmq_msg_t part;
        zmq_msg_init(&part);
        if (zmq_msg_recv(&part, socket, ZMQ_DONTWAIT) < 0) {
            zmq_msg_close(&part);
            return !parts.empty();
        }
        if (parts.size() < kKeptParts) {
            const auto* data = static_cast<const uint8_t*>(zmq_msg_data(&part));
            parts.emplace_back(data, data + zmq_msg_size(&part));
        }
        more = zmq_msg_more(&part);
        zmq_msg_close(&part);
    } while (more != 0);
    return true;
}

void s_close(void*& socket) {
    if (socket != nullptr) {
        zmq_close(socket);
        socket = nullptr;
    }
}

uint8_t s_acceptAll(const aPacket*, void*) {
    return 1;
}

}  // namespace

uint32_t chooseInterface(bool localMode, uint32_t requested) {
    const uint32_t loopback = htonl(INADDR_LOOPBACK);
    if (localMode) {
        return loopback;
    }
    std::vector<uint32_t> others;
    if (const auto addresses = platform::ipv4InterfaceAddresses()) {
        for (uint32_t address : *addresses) {
            if (!s_isLoopback(address)) {
                others.push_back(address);
            }
        }
    }
    if (others.empty()) {
        return loopback;
    }
    return requested != 0 && requested != loopback ? requested : others.front();
}

// The broker's view of its sockets.
class DeviceServer::FrontendPort final : public BrokerPort {
public:
    FrontendPort(void* frontend, void* sync) : frontend_(frontend), sync_(sync) {}

    SendResult sendToClient(const ClientIdentity& client, std::span<const uint8_t> bytes) override {
        if (zmq_send(frontend_, client.data(), client.size(), ZMQ_SNDMORE | ZMQ_DONTWAIT) < 0) {
            return zmq_errno() == EHOSTUNREACH ? SendResult::kUnreachable : SendResult::kBusy;
        }
        return zmq_send(frontend_, bytes.data(), bytes.size(), ZMQ_DONTWAIT) >= 0
                   ? SendResult::kSent
                   : SendResult::kBusy;
    }

    bool sendToSync(std::span<const uint8_t> request) override {
        return zmq_send(sync_, request.data(), request.size(), ZMQ_DONTWAIT) >= 0;
    }

private:
    void* frontend_;
    void* sync_;
};

// The device link as the sync task sees it.
class DeviceServer::LinkSyncDevice final : public SyncDevice {
public:
    LinkSyncDevice(aLinkRef link, const std::atomic<bool>& stopping)
        : link_(link), stopping_(stopping) {}

    void drainInbound() override { aLink_DrainPackets(link_, s_acceptAll, nullptr); }

    bool send(const WirePacket& packet) override {
        aPacket* copy = toPacket(packet);
        const bool sent = copy != nullptr && aLink_PutPacket(link_, copy) == aErrNone;
        aPacket_Destroy(&copy);
        return sent;
    }

    std::optional<WirePacket> awaitAnswer(const Match& match, uint32_t timeoutMs) override {
        const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
        while (!stopping_ && Clock::now() < deadline) {
            const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
            const auto slice = static_cast<uint32_t>(
                std::min<int64_t>(left.count(), static_cast<int64_t>(kAnswerSliceMs)));
            const auto sliceStart = Clock::now();
            aPacket* packet = aLink_AwaitFirst(link_, s_matches, const_cast<Match*>(&match), slice);
            if (packet != nullptr) {
                std::optional<WirePacket> answer = fromPacket(packet);
                aPacket_Destroy(&packet);
                return answer;
            }
            // A link that is not in step answers at once; do not spin on it.
            if (Clock::now() - sliceStart < std::chrono::milliseconds(kNotRunningPauseMs)) {
                aTime_MSSleep(kNotRunningPauseMs);
            }
        }
        return std::nullopt;
    }

    uint64_t nowMs() override { return s_nowMs(); }

private:
    static uint8_t s_matches(const aPacket* packet, void* reference) {
        const std::optional<WirePacket> wire = fromPacket(packet);
        return wire && (*static_cast<const Match*>(reference))(*wire) ? 1 : 0;
    }

    const aLinkRef link_;
    const std::atomic<bool>& stopping_;
};

DeviceServer::DeviceServer(const ServerSettings& settings,
                           std::shared_ptr<link::LinkRecord> deviceRecord)
    : settings_(settings),
      deviceRecord_(std::move(deviceRecord)),
      batch_([this](std::span<const uint8_t> batch) {
          zmq_send(filterStreamEnd_, batch.data(), batch.size(), ZMQ_DONTWAIT);
      }) {}

DeviceServer::~DeviceServer() {
    if (filterInstalled_) {
        // Under the filter's lock: once it is out, the reader thread no longer runs it.
        aMutex_Lock(deviceRecord_->userFilterSema);
        if (deviceRecord_->userFilter == s_streamFilter &&
            deviceRecord_->userFilterReference == this) {
            deviceRecord_->userFilter = nullptr;
            deviceRecord_->userFilterReference = nullptr;
        }
        aMutex_Unlock(deviceRecord_->userFilterSema);
    }
    stopping_ = true;
    brokerWake_.raise();
    syncWake_.raise();
    if (broker_.joinable()) {
        broker_.join();
    }
    if (sync_.joinable()) {
        sync_.join();
    }
    for (void** socket :
         {&frontend_, &brokerSyncEnd_, &taskSyncEnd_, &brokerStreamEnd_, &filterStreamEnd_}) {
        s_close(*socket);
    }
    if (context_ != nullptr) {
        zmq_ctx_term(context_);
    }
}

aErr DeviceServer::aServer_Start() {
    interface_ = chooseInterface(settings_.localMode, settings_.requestedInterface);
    context_ = zmq_ctx_new();
    if (context_ == nullptr || !brokerWake_.valid() || !syncWake_.valid()) {
        return aErrResource;
    }
    frontend_ = zmq_socket(context_, ZMQ_ROUTER);
    if (frontend_ == nullptr) {
        return aErrResource;
    }
    s_setInt(frontend_, ZMQ_LINGER, 0);
    s_setInt(frontend_, ZMQ_ROUTER_MANDATORY, 1);
    zmq_setsockopt(frontend_, ZMQ_MAXMSGSIZE, &kFrontendMaxMessage, sizeof kFrontendMaxMessage);
    char address[INET_ADDRSTRLEN] = {};
    in_addr host{interface_};
    inet_ntop(AF_INET, &host, address, sizeof address);
    char endpoint[64];
    std::snprintf(endpoint, sizeof endpoint, "tcp://%s:*", address);
    if (zmq_bind(frontend_, endpoint) != 0) {
        return aErrResource;
    }
    size_t size = sizeof endpoint;
    zmq_getsockopt(frontend_, ZMQ_LAST_ENDPOINT, endpoint, &size);
    const char* colon = std::strrchr(endpoint, ':');
    port_ = colon != nullptr ? static_cast<uint16_t>(std::atoi(colon + 1)) : 0;

    brokerSyncEnd_ = s_pairSocket(context_, kSyncHighWater);
    taskSyncEnd_ = s_pairSocket(context_, kSyncHighWater);
    brokerStreamEnd_ = s_pairSocket(context_, kStreamHighWater);
    filterStreamEnd_ = s_pairSocket(context_, kStreamHighWater);
    if (port_ == 0 || brokerSyncEnd_ == nullptr || taskSyncEnd_ == nullptr ||
        brokerStreamEnd_ == nullptr || filterStreamEnd_ == nullptr ||
        zmq_bind(brokerSyncEnd_, kSyncEndpoint) != 0 ||
        zmq_connect(taskSyncEnd_, kSyncEndpoint) != 0 ||
        zmq_bind(brokerStreamEnd_, kStreamEndpoint) != 0 ||
        zmq_connect(filterStreamEnd_, kStreamEndpoint) != 0) {
        return aErrResource;
    }
    // Without a beacon the server still serves; only discovery cannot find it.
    openBeacon();

    try {
        broker_ = std::thread(&DeviceServer::runBroker, this);
        sync_ = std::thread(&DeviceServer::runSync, this);
    } catch (const std::system_error&) {
        return aErrResource;
    }
    // Set on the record: the link already names this server, which refuses any other filter.
    aMutex_Lock(deviceRecord_->userFilterSema);
    deviceRecord_->userFilter = s_streamFilter;
    deviceRecord_->userFilterReference = this;
    aMutex_Unlock(deviceRecord_->userFilterSema);
    filterInstalled_ = true;
    aLink_DrainPackets(settings_.deviceLink, s_acceptAll, nullptr);
    return aErrNone;
}

bool DeviceServer::openBeacon() {
    if (settings_.localMode || s_isLoopback(interface_)) {
        in_addr broadcast{};
        inet_pton(AF_INET, kLoopbackBroadcast, &broadcast);
        beaconBroadcast_ = broadcast.s_addr;
    } else if (const auto broadcast = platform::ipv4BroadcastAddress(interface_)) {
        beaconBroadcast_ = *broadcast;
    } else {
        return false;
    }
    // Bound to the broadcast address: discovery beacons arrive there, and nothing else does.
    platform::UdpSocket receiver;
    platform::UdpSocket sender;
    if (!receiver.isOpen() || !receiver.setReuseAddress(true) || !receiver.setReusePort(true) ||
        !receiver.bind(beaconBroadcast_, kBeaconPort) || !sender.isOpen() ||
        !sender.setBroadcast(true) || !sender.bind(interface_, 0)) {
        return false;
    }
    beaconReceiver_ = std::move(receiver);
    beaconSender_ = std::move(sender);
    return true;
}

void DeviceServer::setDeviceInfo(uint8_t moduleAddress, uint8_t model) {
    moduleAddress_ = moduleAddress;
    model_ = model;
}

void DeviceServer::aServer_FlushFIFO() {
    flushRequested_ = true;
    brokerWake_.raise();
}

uint8_t DeviceServer::s_streamFilter(const aPacket* packet, void* reference) {
    const std::optional<WirePacket> wire = fromPacket(packet);
    return wire && static_cast<DeviceServer*>(reference)->batch_.offer(*wire) ? 1 : 0;
}

void DeviceServer::sendAnnouncement() {
    linkSpec spec{};
    spec.type = settings_.announcedType;
    spec.serial_num = settings_.serialNumber;
    spec.module = moduleAddress_;
    spec.router = 0;
    spec.model = model_;
    spec.ip_address = interface_;
    spec.ip_port = port_;
    beaconSender_.sendTo(&spec, sizeof spec, platform::UdpPeer{beaconBroadcast_, kBeaconPort});
}

void DeviceServer::runBroker() {
    FrontendPort port(frontend_, brokerSyncEnd_);
    Broker broker(port);
    Announcer announcer(settings_.localMode, interface_);
    std::vector<std::vector<uint8_t>> parts;
    std::array<uint8_t, kBeaconReceiveSize> beacon{};
    while (!stopping_) {
        std::array<zmq_pollitem_t, 5> items{};
        items[0] = {nullptr, brokerWake_.fd(), ZMQ_POLLIN, 0};
        items[1] = {brokerSyncEnd_, 0, ZMQ_POLLIN, 0};
        items[2] = {frontend_, 0, ZMQ_POLLIN, 0};
        items[3] = {brokerStreamEnd_, 0, ZMQ_POLLIN, 0};
        items[4] = {nullptr, beaconReceiver_.fd(), ZMQ_POLLIN, 0};
        const int count = beaconReceiver_.isOpen() ? 5 : 4;
        if (zmq_poll(items.data(), count, announcer.waitMs(s_nowMs(), kBrokerPollMs)) < 0 &&
            zmq_errno() != EINTR) {
            break;
        }
        if ((items[0].revents & ZMQ_POLLIN) != 0) {
            brokerWake_.clear();
            if (flushRequested_.exchange(false)) {
                broker.flushPending();
            }
        }
        while ((items[1].revents & ZMQ_POLLIN) != 0 && s_receiveParts(brokerSyncEnd_, parts)) {
            broker.onSyncReport(parts.front());
        }
        for (int burst = 0; (items[2].revents & ZMQ_POLLIN) != 0 && burst < kFrontendBurst &&
                            s_receiveParts(frontend_, parts);
             ++burst) {
            const ClientIdentity client(parts.front().begin(), parts.front().end());
            parts.erase(parts.begin());
            broker.onClientMessage(client, parts, s_nowMs());
        }
        while ((items[3].revents & ZMQ_POLLIN) != 0 && s_receiveParts(brokerStreamEnd_, parts)) {
            broker.onStreamBatch(parts.front());
        }
        if (count == 5 && (items[4].revents & ZMQ_POLLIN) != 0) {
            platform::UdpPeer from;
            bool truncated = false;
            const ssize_t size = beaconReceiver_.receiveFrom(
                beacon.data(), beacon.size(), &from, &truncated, std::chrono::milliseconds(0));
            if (size > 0) {
                announcer.onBeacon(
                    from.address,
                    std::span<const uint8_t>(beacon.data(), static_cast<size_t>(size)), model_ != 0,
                    s_nowMs());
            }
        }
        if (announcer.takeDueAnnouncement(s_nowMs())) {
            sendAnnouncement();
        }
    }
}

void DeviceServer::runSync() {
    LinkSyncDevice device(settings_.deviceLink, stopping_);
    SyncTask task(device);
    std::vector<std::vector<uint8_t>> parts;
    while (!stopping_) {
        std::array<zmq_pollitem_t, 2> items{};
        items[0] = {nullptr, syncWake_.fd(), ZMQ_POLLIN, 0};
        items[1] = {taskSyncEnd_, 0, ZMQ_POLLIN, 0};
        if (zmq_poll(items.data(), 2, kSyncPollMs) < 0 && zmq_errno() != EINTR) {
            break;
        }
        if ((items[0].revents & ZMQ_POLLIN) != 0) {
            syncWake_.clear();
        }
        if ((items[1].revents & ZMQ_POLLIN) == 0 || !s_receiveParts(taskSyncEnd_, parts)) {
            continue;
        }
        const std::optional<SyncRequest> request = decodeRequest(parts.front());
        if (!request) {
            continue;
        }
        const std::vector<uint8_t> report = encodeReport(task.handle(*request));
        zmq_send(taskSyncEnd_, report.data(), report.size(), ZMQ_DONTWAIT);
    }
}

}  // namespace lynkor::server
