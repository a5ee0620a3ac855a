#pragma once

// A device server: shares one device link with client links in this and other processes.
//
// Clients connect to the front end, a message socket on the chosen interface's address (in
// local mode 127.0.0.1, which every process and user on this computer can reach; otherwise
// every host that reaches that interface; clients are not authenticated). The broker thread
// routes client requests to the sync thread, which alone talks to the device link, one request
// at a time, and routes each answer back to the client that asked. The device link's reader
// thread hands stream samples over through the server's user filter. Both threads belong to the
// server, which stops and joins them when it goes with its device link.
#include <atomic>
#include <cstdint>
#include <memory>
#include <thread>

#include "link/link_table.h"
#include "lynkor/aLinkSpec.h"
#include "platform/message_socket.h"
#include "platform/udp_socket.h"
#include "server/stream_batch.h"

namespace lynkor::server {

struct ServerSettings {
    aLinkRef deviceLink = 0;
    // Put in beacons: TETHRA_USB, TETHRA_TCPIP or TETHRA_SERIAL.
    linkType announcedType = TETHRA_USB;
    uint32_t serialNumber = 0;
    bool localMode = true;
    // IPv4, network byte order; 0 or 127.0.0.1 for the first interface found.
    uint32_t requestedInterface = 0;
};

// The address to serve on: 127.0.0.1 in local mode or when this computer has no other IPv4
// interface; else the requested one, or the first one found. Never the wildcard address.
uint32_t chooseInterface(bool localMode, uint32_t requested);

class DeviceServer final : public link::LinkServerHandle {
public:
    DeviceServer(const ServerSettings& settings, std::shared_ptr<link::LinkRecord> deviceRecord);
    ~DeviceServer() override;
    DeviceServer(const DeviceServer&) = delete;
    DeviceServer& operator=(const DeviceServer&) = delete;

    // Binds the sockets, starts both threads, installs the stream filter and drops whatever
    // the device link had received. aErrResource when a socket or thread cannot be had.
    aErr aServer_Start();
    uint16_t aServer_GetPort() const { return port_; }
    uint32_t aServer_GetInterface() const { return interface_; }
    // Learned from the device after the start; beacons are answered only once the model is
    // known.
    void setDeviceInfo(uint8_t moduleAddress, uint8_t model);
    // Forgets the requests waiting for answers.
    void aServer_FlushFIFO();

private:
    class FrontendPort;
    class LinkSyncDevice;

    static uint8_t s_streamFilter(const aPacket* packet, void* reference);
    bool openBeacon();
    void runBroker();
    void runSync();
    void sendAnnouncement();

    const ServerSettings settings_;
    const std::shared_ptr<link::LinkRecord> deviceRecord_;
    uint32_t interface_ = 0;
    uint16_t port_ = 0;

    void* context_ = nullptr;
    void* frontend_ = nullptr;
    void* brokerSyncEnd_ = nullptr;
    void* taskSyncEnd_ = nullptr;
    void* brokerStreamEnd_ = nullptr;
    // Used by the device link's reader thread alone, inside the stream filter.
    void* filterStreamEnd_ = nullptr;
    StreamBatch batch_;

    platform::UdpSocket beaconReceiver_;
    platform::UdpSocket beaconSender_;
    uint32_t beaconBroadcast_ = 0;

    std::atomic<uint8_t> moduleAddress_{0};
    std::atomic<uint8_t> model_{0};
    std::atomic<bool> stopping_{false};
    std::atomic<bool> flushRequested_{false};
    platform::WakeSignal brokerWake_;
    platform::WakeSignal syncWake_;
    bool filterInstalled_ = false;
    std::thread broker_;
    std::thread sync_;
};

}  // namespace lynkor::server
