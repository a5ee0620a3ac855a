#include "simulator.h"

#include <cstdio>

#include "standard_commands.h"

namespace sim {

namespace {

std::string s_serialText(uint32_t serial) {
    char text[9];
    std::snprintf(text, sizeof text, "%08X", serial);
    return text;
}

}  // namespace

Simulator::Simulator(EventLoop& loop, const std::vector<DeviceConfig>& devices,
                     std::chrono::milliseconds heartbeatPeriod, const std::string& usbDirectory) {
    for (const DeviceConfig& config : devices) {
        Served served;
        served.device = std::make_unique<Device>(config);
        installStandardCommands(*served.device);
        if (config.tcp) {
            served.tcp = std::make_unique<TcpTransport>(loop, *served.device);
        }
        if (config.pty) {
            served.pty = std::make_unique<PtyTransport>(loop, *served.device);
        }
        if (config.usb) {
            served.usb = std::make_unique<UsbTransport>(loop, *served.device, usbDirectory);
        }
        served_.push_back(std::move(served));
    }
    if (heartbeatPeriod.count() > 0) {
        loop.every(heartbeatPeriod, [this] {
            for (auto& served : served_) {
                if (!served.device->muted()) {
                    served.device->sendHeartbeat(0, true);
                }
            }
        });
    }
}

std::vector<std::string> Simulator::listeningLines() const {
    std::vector<std::string> lines;
    for (const auto& served : served_) {
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
    for (const auto& served : served_) {
        if (served.tcp) {
            devices.push_back(
                NetworkDevice{served.device->config(), served.tcp->address(), served.tcp->port()});
        }
    }
    return devices;
}

Device* Simulator::find(uint32_t serial) {
    for (auto& served : served_) {
        if (served.device->config().serial == serial) {
            return served.device.get();
        }
    }
    return nullptr;
}

}  // namespace sim
