#include "power_cycle.h"

#include <stdexcept>

#include "simulator.h"
#include "system_entity.h"

namespace sim {

PowerCycle::PowerCycle(EventLoop& loop, SimulatedDevice& served, std::string usbDirectory)
    : loop_(loop),
      served_(served),
      usbDirectory_(std::move(usbDirectory)),
      downTime_(served.device->config().downTime) {}

PowerCycle::~PowerCycle() {
    cancelComeBack();
}

void PowerCycle::restart(uint32_t serial, std::function<void()> onBack,
                         std::chrono::milliseconds delay) {
    if (delay.count() > 0) {
        cancelComeBack();
        comeBack_ = loop_.after(delay, [this, serial, onBack = std::move(onBack)] {
            comeBack_.reset();
            restart(serial, onBack);
        });
        return;
    }
    ++restarts_;
    leave();
    cancelComeBack();
    comeBack_ = loop_.after(downTime_, [this, serial, onBack = std::move(onBack)] {
        comeBack_.reset();
        comeBack(serial, onBack, 1);
    });
}

void PowerCycle::vanish() {
    leave();
    cancelComeBack();
}

void PowerCycle::leave() {
    if (served_.device->down()) {
        return;
    }
    served_.device->setDown(true);
    // We may be inside one of the transports' own callbacks: close them once it has returned.
    loop_.defer([this] {
        if (served_.tcp) {
            served_.tcp->leave(tcpClose_ == TcpClose::Reset);
        }
        if (served_.usb) {
            usbBusy_ = served_.usb->busy();
            served_.usb.reset();
        }
    });
}

void PowerCycle::comeBack(uint32_t serial, const std::function<void()>& onBack, int attempt) {
    Device& device = *served_.device;
    if (served_.tcp && !served_.tcp->listening() && !served_.tcp->listenAgain()) {
        if (attempt < kListenAttempts) {
            comeBack_ = loop_.after(kListenRetry, [this, serial, onBack, attempt] {
                comeBack_.reset();
                comeBack(serial, onBack, attempt + 1);
            });
        }
        return;
    }
    setSystemNumber(device, kSystemSerial, serial);
    if (device.config().usb && !served_.usb) {
        try {
            served_.usb = std::make_unique<UsbTransport>(loop_, device, usbDirectory_);
            served_.usb->setBusy(usbBusy_);
        } catch (const std::runtime_error&) {
            // The bus directory went away: the device stays off the bus.
        }
    }
    onBack();
    device.setDown(false);
}

void PowerCycle::cancelComeBack() {
    if (comeBack_) {
        loop_.cancel(*comeBack_);
        comeBack_.reset();
    }
}

}  // namespace sim
