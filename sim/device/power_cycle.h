// How a simulated device restarts, as its hosts see it: it leaves (USB: off the emulated bus;
// TCP: its connections closed with FIN or RST and its port no longer listening; the pty line
// and a device behind a router: silent), stays away for its down-time, and comes back, under
// another serial number if asked (USB: on the bus again; TCP: listening again on the same port).
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "event_loop.h"

namespace sim {

struct SimulatedDevice;

class PowerCycle {
public:
    enum class TcpClose { Fin, Reset };

    PowerCycle(EventLoop& loop, SimulatedDevice& served, std::string usbDirectory);
    ~PowerCycle();
    PowerCycle(const PowerCycle&) = delete;
    PowerCycle& operator=(const PowerCycle&) = delete;

    std::chrono::milliseconds downTime() const { return downTime_; }
    void setDownTime(std::chrono::milliseconds downTime) { downTime_ = downTime; }
    TcpClose tcpClose() const { return tcpClose_; }
    void setTcpClose(TcpClose close) { tcpClose_ = close; }
    uint64_t restarts() const { return restarts_; }

    // Leaves after `delay` (now by default) and comes back after the down-time showing `serial`;
    // `onBack` runs just before hosts can reach the device again. A device that is away already
    // comes back that much later instead.
    void restart(uint32_t serial, std::function<void()> onBack,
                 std::chrono::milliseconds delay = std::chrono::milliseconds(0));
    // Leaves now and stays away, until the next restart.
    void vanish();

private:
    // A port another process took while the device was away is tried again this often, for
    // about a second, before the device stays away.
    static constexpr auto kListenRetry = std::chrono::milliseconds(50);
    static constexpr int kListenAttempts = 20;

    void leave();
    void comeBack(uint32_t serial, const std::function<void()>& onBack, int attempt);
    void cancelComeBack();

    EventLoop& loop_;
    SimulatedDevice& served_;
    const std::string usbDirectory_;
    std::chrono::milliseconds downTime_;
    TcpClose tcpClose_ = TcpClose::Fin;
    uint64_t restarts_ = 0;
    bool usbBusy_ = false;
    std::optional<EventLoop::TimerId> comeBack_;
};

}  // namespace sim
