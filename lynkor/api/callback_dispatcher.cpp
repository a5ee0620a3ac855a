#include "api/callback_dispatcher.h"

namespace lynkor::api {

namespace {

uint16_t s_next(uint16_t index) {
    return static_cast<uint16_t>((index + 1) % kCallbackRingSlots);
}

}  // namespace

CallbackDispatcher::CallbackDispatcher() = default;

CallbackDispatcher::~CallbackDispatcher() {
    stop();
}

void CallbackDispatcher::start() {
    std::lock_guard life(lifeMutex_);
    if (current() != nullptr) {
        return;
    }
    auto shared = std::make_shared<Shared>();
    thread_ = std::thread(run, shared);
    std::lock_guard lock(pointerMutex_);
    shared_ = std::move(shared);
}

bool CallbackDispatcher::post(const BindingPtr& binding, const aPacket& packet) {
    std::shared_ptr<Shared> shared = current();
    if (shared == nullptr) {
        return false;
    }
    {
        std::lock_guard lock(shared->mutex);
        const uint16_t next = s_next(shared->writeIndex);
        if (shared->stopping || next == shared->readIndex) {
            return false;
        }
        shared->ring[shared->writeIndex] = Slot{binding, packet};
        shared->writeIndex = next;
    }
    shared->changed.notify_all();
    return true;
}

std::shared_ptr<CallbackDispatcher::Shared> CallbackDispatcher::current() {
    std::lock_guard lock(pointerMutex_);
    return shared_;
}

template <typename Condition>
bool CallbackDispatcher::waitFor(std::unique_lock<std::mutex>& lock, Shared& shared,
                                 Condition done) {
    return shared.changed.wait_for(lock, kCallbackFinishLimit, done);
}

void CallbackDispatcher::revoke(const std::vector<BindingPtr>& bindings) {
    std::shared_ptr<Shared> shared = current();
    if (shared == nullptr) {
        for (const BindingPtr& binding : bindings) {
            binding->revoked = true;
        }
        return;
    }
    std::unique_lock lock(shared->mutex);
    for (const BindingPtr& binding : bindings) {
        binding->revoked = true;
    }
    if (std::this_thread::get_id() == shared->threadId) {
        return;
    }
    waitFor(lock, *shared, [&] { return shared->running == nullptr || !shared->running->revoked; });
}

void CallbackDispatcher::stop() {
    std::lock_guard life(lifeMutex_);
    std::shared_ptr<Shared> shared;
    {
        std::lock_guard lock(pointerMutex_);
        shared.swap(shared_);
    }
    if (shared == nullptr) {
        return;
    }
    bool ended = false;
    {
        std::unique_lock lock(shared->mutex);
        shared->stopping = true;
        shared->changed.notify_all();
        if (std::this_thread::get_id() != shared->threadId) {
            ended = waitFor(lock, *shared, [&] { return shared->ended; });
        }
    }
    if (ended) {
        thread_.join();
    } else {
        thread_.detach();
    }
}

void CallbackDispatcher::run(std::shared_ptr<Shared> shared) {
    std::unique_lock lock(shared->mutex);
    shared->threadId = std::this_thread::get_id();
    while (true) {
        shared->changed.wait(
            lock, [&] { return shared->stopping || shared->readIndex != shared->writeIndex; });
        if (shared->stopping) {
            break;
        }
        Slot slot = std::move(shared->ring[shared->readIndex]);
        shared->readIndex = s_next(shared->readIndex);
        if (slot.binding->revoked || !slot.binding->callback) {
            continue;
        }
        shared->running = slot.binding.get();
        lock.unlock();
        try {
            slot.binding->callback(&slot.packet, slot.binding->user);
        } catch (...) {
            // A callback's failure is its own; the others still run.
        }
        lock.lock();
        shared->running = nullptr;
        shared->changed.notify_all();
    }
    // Queued bindings are released here, not by whoever frees the ring last.
    for (Slot& slot : shared->ring) {
        slot.binding.reset();
    }
    shared->ended = true;
    shared->changed.notify_all();
}

}  // namespace lynkor::api
