// The simulated devices of one run, their transports, the routers' buses and the heartbeat
// clock.
#pragma once

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "device.h"
#include "event_loop.h"
#include "power_cycle.h"
#include "pty_transport.h"
#include "standard_commands.h"
#include "tcp_transport.h"
#include "upgrade_protocol.h"
#include "usb_transport.h"

namespace sim {

// A device served over TCP, as network discovery shows it.
struct NetworkDevice {
    DeviceConfig config;
    std::string listenAddress;
    uint16_t tcpPort = 0;
};

// One device with its behaviour, the transports that serve it (none for a device that is
// reached only through its router; no USB transport while the device is away), how it restarts,
// and its upgrade protocol.
struct SimulatedDevice {
    std::unique_ptr<Device> device;
    std::unique_ptr<StandardCommands> commands;
    std::unique_ptr<TcpTransport> tcp;
    std::unique_ptr<PtyTransport> pty;
    std::unique_ptr<UsbTransport> usb;
    std::unique_ptr<PowerCycle> power;
    // Owned by the device's handler table.
    UpgradeProtocol* upgrade = nullptr;
};

class Simulator {
public:
    // USB devices appear in `usbDirectory`. Every router named by a device's routerSerial must
    // be among `devices`.
    Simulator(EventLoop& loop, const std::vector<DeviceConfig>& devices,
              std::chrono::milliseconds heartbeatPeriod, const std::string& usbDirectory);

    // One line per transport: "tcp <serial> 127.0.0.1:<port>", "pty <serial> /dev/pts/N",
    // "usb <serial> <socket path>".
    std::vector<std::string> listeningLines() const;

    // The devices served over TCP.
    std::vector<NetworkDevice> networkDevices() const;

    // Null when no device was started with that serial number (whatever it shows now).
    SimulatedDevice* find(uint32_t serial);

private:
    std::vector<SimulatedDevice> devices_;
};

}  // namespace sim
