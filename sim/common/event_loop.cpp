#include "event_loop.h"

#include <unistd.h>

#include <algorithm>

#include "stop_signals.h"

namespace sim {

EventLoop::EventLoop() : signalFd_(watchStopSignals()) {}

EventLoop::~EventLoop() {
    close(signalFd_);
}

void EventLoop::watch(int fd, short events, Callback callback) {
    watches_[fd] = Watch{events, std::move(callback), ++generation_};
}

void EventLoop::unwatch(int fd) {
    watches_.erase(fd);
}

EventLoop::TimerId EventLoop::every(std::chrono::milliseconds period,
                                    std::function<void()> callback) {
    timers_.emplace(++lastTimer_, Timer{period, Clock::now() + period, std::move(callback)});
    return lastTimer_;
}

EventLoop::TimerId EventLoop::after(std::chrono::milliseconds delay,
                                    std::function<void()> callback) {
    timers_.emplace(++lastTimer_,
                    Timer{std::chrono::milliseconds(0), Clock::now() + delay, std::move(callback)});
    return lastTimer_;
}

void EventLoop::run() {
    while (!stopping_) {
        std::vector<pollfd> fds{{signalFd_, POLLIN, 0}};
        std::vector<unsigned> generations{0};
        for (const auto& [fd, watch] : watches_) {
            fds.push_back({fd, watch.events, 0});
            generations.push_back(watch.generation);
        }
        int timeoutMs = -1;
        const auto now = Clock::now();
        for (const auto& [id, timer] : timers_) {
            auto left = std::chrono::duration_cast<std::chrono::milliseconds>(timer.due - now);
            int ms = static_cast<int>(std::max<long long>(0, left.count()));
            timeoutMs = timeoutMs < 0 ? ms : std::min(timeoutMs, ms);
        }
        if (poll(fds.data(), fds.size(), timeoutMs) < 0) {
            continue;
        }
        if (fds[0].revents != 0) {
            return;
        }
        for (size_t i = 1; i < fds.size() && !stopping_; ++i) {
            if (fds[i].revents == 0) {
                continue;
            }
            // A callback may have closed this descriptor, or another one reused its number.
            auto found = watches_.find(fds[i].fd);
            if (found == watches_.end() || found->second.generation != generations[i]) {
                continue;
            }
            Callback callback = found->second.callback;
            callback(fds[i].revents);
        }
        runDeferred();
        runDueTimers();
        runDeferred();
    }
}

void EventLoop::runDueTimers() {
    const auto now = Clock::now();
    std::vector<TimerId> due;
    for (const auto& [id, timer] : timers_) {
        if (timer.due <= now) {
            due.push_back(id);
        }
    }
    // A callback may cancel or add timers, so look each one up again.
    for (TimerId id : due) {
        auto found = timers_.find(id);
        if (stopping_ || found == timers_.end()) {
            continue;
        }
        std::function<void()> callback = found->second.callback;
        if (found->second.period.count() == 0) {
            timers_.erase(found);
        } else {
            found->second.due = now + found->second.period;
        }
        callback();
    }
}

void EventLoop::runDeferred() {
    while (!deferred_.empty()) {
        std::vector<std::function<void()>> batch;
        batch.swap(deferred_);
        for (auto& callback : batch) {
            callback();
        }
    }
}

}  // namespace sim
