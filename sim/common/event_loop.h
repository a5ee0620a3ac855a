// A single-threaded poll loop: every transport of the simulator registers its descriptors here,
// so the simulated devices need no locks and SIGTERM ends everything in one place.
#pragma once

#include <poll.h>

#include <chrono>
#include <functional>
#include <map>
#include <vector>

namespace sim {

class EventLoop {
public:
    using Callback = std::function<void(short revents)>;
    using Clock = std::chrono::steady_clock;

    EventLoop();
    ~EventLoop();
    EventLoop(const EventLoop&) = delete;
    EventLoop& operator=(const EventLoop&) = delete;

    // Calls back when the descriptor has one of the events (or an error); replaces any earlier
    // watch of the same descriptor.
    void watch(int fd, short events, Callback callback);
    void unwatch(int fd);
    using TimerId = unsigned long;

    // Calls back every period, first one period from now, until cancelled.
    TimerId every(std::chrono::milliseconds period, std::function<void()> callback);
    // Calls back once, `delay` from now.
    TimerId after(std::chrono::milliseconds delay, std::function<void()> callback);
    // Harmless for a timer that has already fired or been cancelled.
    void cancel(TimerId timer) { timers_.erase(timer); }

    // Runs the callback once the current round of events is handled, so that an object can
    // end itself from inside one of its own callbacks.
    void defer(std::function<void()> callback) { deferred_.push_back(std::move(callback)); }

    // Runs until SIGTERM or SIGINT arrives or stop() is called.
    void run();
    void stop() { stopping_ = true; }

private:
    struct Watch {
        short events;
        Callback callback;
        unsigned generation;
    };
    struct Timer {
        std::chrono::milliseconds period;  // zero for a one-shot timer
        Clock::time_point due;
        std::function<void()> callback;
    };

    void runDeferred();
    void runDueTimers();

    int signalFd_ = -1;
    bool stopping_ = false;
    unsigned generation_ = 0;
    std::map<int, Watch> watches_;
    TimerId lastTimer_ = 0;
    // Ordered by id, so timers that fall due together fire in the order they were made.
    std::map<TimerId, Timer> timers_;
    std::vector<std::function<void()>> deferred_;
};

}  // namespace sim
