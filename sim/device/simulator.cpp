#include "simulator.h"

#include <cstdio>
#include <stdexcept>

#include "protocol_codes.h"

namespace sim {

namespace {

std::string s_serialText(uint32_t serial) {
    char text[9];
    std::snprintf(text, sizeof text, "%08X", serial);
    return text;
}

const DeviceConfig* s_config(const std::vector<DeviceConfig>& devices, uint32_t serial) {
    for (const DeviceConfig& config : devices) {
        if (config.serial == serial) {
            return &config;
        }
    }
    return nullptr;
}

}  // namespace

Simulator::Simulator(EventLoop& loop, const std::vector<DeviceConfig>& devices,
                     std::chrono::milliseconds heartbeatPeriod, const std::string& usbDirectory) {
    // A device's power cycle and upgrade protocol keep its address: no reallocation.
    devices_.reserve(devices.size());
    for (const DeviceConfig& config : devices) {
        uint8_t routerAddress = config.address;
        if (config.routerSerial) {
            const DeviceConfig* router = s_config(devices, *config.routerSerial);
            if (router == nullptr) {
                throw std::runtime_error("no router " + s_serialText(*config.routerSerial));
            }
            routerAddress = router->address;
        }
        SimulatedDevice served;
        served.device = std::make_unique<Device>(loop, config);
        served.commands = std::make_unique<StandardCommands>(*served.device, routerAddress);
        if (config.tcp) {
            served.tcp = std::make_unique<TcpTransport>(loop, *served.device);
        }
        if (config.pty) {
            served.pty = std::make_unique<PtyTransport>(loop, *served.device);
        }
        if (config.usb) {
            served.usb = std::make_unique<UsbTransport>(loop, *served.device, usbDirectory);
            served.usb->setBusy(config.usbBusy);
        }
        SimulatedDevice& placed = devices_.emplace_back(std::move(served));
        placed.power = std::make_unique<PowerCycle>(loop, placed, usbDirectory);
        auto upgrade = std::make_unique<UpgradeProtocol>(*placed.device, *placed.power);
        placed.upgrade = upgrade.get();
        placed.device->setCommandHandler(kCmdUpgrade, std::move(upgrade));
    }
    for (const DeviceConfig& config : devices) {
        if (config.routerSerial) {
            find(*config.routerSerial)->device->addChild(*find(config.serial)->device);
        }
    }
    if (heartbeatPeriod.count() > 0) {
        loop.every(heartbeatPeriod, [this] {
            for (auto& served : devices_) {
                // A device behind a router has no link of its own to keep alive.
                if (!served.device->silenced() && served.device->router() == nullptr) {
                    served.device->sendHeartbeat(0, true);
                }
            }
        });
    }
}

std::vector<std::string> Simulator::listeningLines() const {
    std::vector<std::string> lines;
    for (const auto& served : devices_) {
        const std::string serial = s_serialText(served.device->config().serial);
        if (served.tcp) {
            lines.push_back("tcp " + serial + " " + served.tcp->endpoint());
        }
        if (served.pty) {
            lines.push_back("pty " + serial + " " + served.pty->path());
        }
        if (served.usb) {
            lines.push_back("usb " + serial + " " + served.usb->path());
        }
    }
    return lines;
}

std::vector<NetworkDevice> Simulator::networkDevices() const {
    std::vector<NetworkDevice> devices;
    for (const auto& served : devices_) {
        if (served.tcp) {
            devices.push_back(
                NetworkDevice{served.device->config(), served.tcp->address(), served.tcp->port()});
        }
    }
    return devices;
}

SimulatedDevice* Simulator::find(uint32_t serial) {
    for (auto& served : devices_) {
        if (served.device->config().serial == serial) {
            return &served;
        }
    }
    return nullptr;
}

}  // namespace sim
