#pragma once

// The thread that runs a Link's stream callbacks, fed from a ring of 500 slots by the link's
// reader thread, so that a slow callback delays only other callbacks, never the link.
#include <array>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "lynkor/LinkStream.h"

namespace lynkor::api {

// A callback and its user pointer, which always go together. Once revoked, it is not called
// again.
struct CallbackBinding {
    CallbackBinding(Norvane::Lynkor::StreamCallback callback, void* user)
        : callback(std::move(callback)), user(user) {}
    const Norvane::Lynkor::StreamCallback callback;
    void* const user;
    // Written under the dispatcher's lock.
    bool revoked = false;
};
using BindingPtr = std::shared_ptr<CallbackBinding>;

constexpr size_t kCallbackRingSlots = 500;
// How long a stop or a revocation waits for a callback that is running.
constexpr auto kCallbackFinishLimit = std::chrono::seconds(5);

class CallbackDispatcher {
public:
    CallbackDispatcher();
    // Stops the thread.
    ~CallbackDispatcher();
    CallbackDispatcher(const CallbackDispatcher&) = delete;
    CallbackDispatcher& operator=(const CallbackDispatcher&) = delete;

    // Starts the thread unless it runs.
    void start();
    // Queues a call with a copy of the packet; false (the call is dropped) when the ring is full
    // or the thread does not run.
    bool post(const BindingPtr& binding, const aPacket& packet);
    // Makes sure that the bindings are not called once this returns, waiting for one that is
    // running unless this runs on the dispatcher thread itself.
    void revoke(const std::vector<BindingPtr>& bindings);
    // Drops what is queued and ends the thread: joined, or, when called from a callback or after
    // kCallbackFinishLimit, left to end on its own.
    void stop();

private:
    struct Slot {
        BindingPtr binding;
        aPacket packet;
    };
    // What the thread uses; it holds it too, so that a thread left to end never touches freed
    // memory.
    struct Shared {
        std::mutex mutex;
        std::condition_variable changed;
        std::array<Slot, kCallbackRingSlots> ring;
        uint16_t writeIndex = 0;
        uint16_t readIndex = 0;
        bool stopping = false;
        bool ended = false;
        const CallbackBinding* running = nullptr;
        std::thread::id threadId;
    };

    static void run(std::shared_ptr<Shared> shared);
    // Waits, with the lock held, until the condition holds or the limit passes.
    template <typename Condition>
    static bool waitFor(std::unique_lock<std::mutex>& lock, Shared& shared, Condition done);

    std::shared_ptr<Shared> current();

    // Serialises start and stop.
    std::mutex lifeMutex_;
    // Guards only the pointer, so that posting never waits for a stop.
    std::mutex pointerMutex_;
    std::shared_ptr<Shared> shared_;
    std::thread thread_;
};

}  // namespace lynkor::api
