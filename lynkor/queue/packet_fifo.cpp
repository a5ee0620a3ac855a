#include "lynkor/aPacketFifo.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <map>
#include <memory>
#include <mutex>

namespace {

struct PacketDeleter {
    void operator()(aPacket* packet) const { aPacket_Destroy(&packet); }
};
using OwnedPacket = std::unique_ptr<aPacket, PacketDeleter>;

struct Entry {
    OwnedPacket packet;
    uint32_t seq;
};

struct packetFifo {
    std::deque<Entry> entries;
    std::mutex lock;
    std::condition_variable ready;
    bool alive = true;
    uint32_t next_seq = 0;

    // The oldest entry's number, or the next packet's when empty.
    uint32_t firstSeq() const { return entries.empty() ? next_seq : entries.front().seq; }

    aPacket* take(std::deque<Entry>::iterator entry) {
        aPacket* packet = entry->packet.release();
        entries.erase(entry);
        return packet;
    }
};

using FifoRef = std::shared_ptr<packetFifo>;
using Clock = std::chrono::steady_clock;

struct Registry {
    std::mutex lock;
    std::map<uint64_t, FifoRef> queues;
    std::atomic<uint64_t> next_id{1};
};

// Never destroyed: a link thread still running while the process exits must find the registry
// intact rather than a destroyed map.
Registry& s_registry() {
    static Registry& registry = *new Registry;
    return registry;
}

// The registry lock is held only for the map look-up, never together with a queue's lock.
FifoRef s_lookup(uint64_t id) {
    Registry& registry = s_registry();
    std::lock_guard guard(registry.lock);
    const auto found = registry.queues.find(id);
    return found == registry.queues.end() ? nullptr : found->second;
}

Clock::time_point s_deadline(uint32_t timeoutMs) {
    return Clock::now() + std::chrono::milliseconds(timeoutMs);
}

// Sequence numbers wrap; "newer" is a positive signed distance.
bool s_isNewer(uint32_t seq, uint32_t than) {
    return static_cast<int32_t>(seq - than) > 0;
}

// Nothing may escape through the C interface: a failed lock or allocation becomes the
// function's "nothing" answer.
template <typename Result, typename Body>
Result s_guarded(Result failure, Body body) {
    try {
        return body();
    } catch (...) {
        return failure;
    }
}

}  // namespace

extern "C" {

uint64_t aPacketFifo_Create(void) {
    return s_guarded<uint64_t>(0, [] {
        Registry& registry = s_registry();
        auto fifo = std::make_shared<packetFifo>();
        uint64_t id = 0;
        while (id == 0) {
            id = registry.next_id.fetch_add(1);
        }
        std::lock_guard guard(registry.lock);
        registry.queues.emplace(id, std::move(fifo));
        return id;
    });
}

aErr aPacketFifo_Destroy(uint64_t* fifo) {
    if (fifo == nullptr) {
        return aErrParam;
    }
    return s_guarded(aErrUnknown, [fifo] {
        FifoRef queue;
        {
            Registry& registry = s_registry();
            std::lock_guard guard(registry.lock);
            const auto found = registry.queues.find(*fifo);
            if (found == registry.queues.end()) {
                return aErrNotFound;
            }
            queue = std::move(found->second);
            registry.queues.erase(found);
        }
        {
            std::lock_guard guard(queue->lock);
            queue->entries.clear();
            queue->alive = false;
        }
        queue->ready.notify_all();
        *fifo = 0;
        return aErrNone;
    });
}

aErr aPacketFifo_Put(uint64_t fifo, const aPacket* packet) {
    return s_guarded(aErrParam, [fifo, packet] {
        const FifoRef queue = s_lookup(fifo);
        if (queue == nullptr || !aVALIDPACKET(packet)) {
            return aErrParam;
        }
        bool wake = false;
        {
            std::lock_guard guard(queue->lock);
            // A call that looked the queue up before it was destroyed must not refill it.
            if (!queue->alive) {
                return aErrParam;
            }
            const uint32_t seq = queue->next_seq++;
            OwnedPacket copy(aPacket_Copy(packet));
            if (copy == nullptr) {
                return aErrParam;
            }
            queue->entries.push_back(Entry{std::move(copy), seq});
            // A consumer that has stopped must not let the queue grow without end.
            if (queue->entries.size() > aPACKETFIFO_CAPACITY) {
                queue->entries.clear();
            } else {
                wake = true;
            }
        }
        if (wake) {
            queue->ready.notify_all();
        }
        return aErrNone;
    });
}

aPacket* aPacketFifo_Get(uint64_t fifo) {
    return s_guarded<aPacket*>(nullptr, [fifo]() -> aPacket* {
        const FifoRef queue = s_lookup(fifo);
        if (queue == nullptr) {
            return nullptr;
        }
        std::lock_guard guard(queue->lock);
        return queue->entries.empty() ? nullptr : queue->take(queue->entries.begin());
    });
}

aPacket* aPacketFifo_GetFirst(uint64_t fifo, aPacketFilter filter, void* reference) {
    return s_guarded<aPacket*>(nullptr, [=]() -> aPacket* {
        const FifoRef queue = s_lookup(fifo);
        if (queue == nullptr || filter == nullptr) {
            return nullptr;
        }
        std::lock_guard guard(queue->lock);
        for (auto entry = queue->entries.begin(); entry != queue->entries.end(); ++entry) {
            if (filter(entry->packet.get(), reference) != 0) {
                return queue->take(entry);
            }
        }
        return nullptr;
    });
}

uint32_t aPacketFifo_GetLength(uint64_t fifo) {
    return s_guarded<uint32_t>(0, [fifo]() -> uint32_t {
        const FifoRef queue = s_lookup(fifo);
        if (queue == nullptr) {
            return 0;
        }
        std::lock_guard guard(queue->lock);
        return static_cast<uint32_t>(queue->entries.size());
    });
}

aPacket* aPacketFifo_Await(uint64_t fifo, uint32_t timeoutMs) {
    return s_guarded<aPacket*>(nullptr, [=]() -> aPacket* {
        const FifoRef queue = s_lookup(fifo);
        if (queue == nullptr) {
            return nullptr;
        }
        const Clock::time_point deadline = s_deadline(timeoutMs);
        std::unique_lock guard(queue->lock);
        queue->ready.wait_until(guard, deadline,
                                [&queue] { return !queue->entries.empty() || !queue->alive; });
        return queue->entries.empty() ? nullptr : queue->take(queue->entries.begin());
    });
}

aPacket* aPacketFifo_AwaitFirst(uint64_t fifo, aPacketFilter filter, void* reference,
                                uint32_t timeoutMs) {
    return s_guarded<aPacket*>(nullptr, [=]() -> aPacket* {
        const FifoRef queue = s_lookup(fifo);
        if (queue == nullptr || filter == nullptr) {
            return nullptr;
        }
        const Clock::time_point deadline = s_deadline(timeoutMs);
        std::unique_lock guard(queue->lock);
        // Everything queued now counts as new; later wake-ups offer only what came after the
        // last packet examined, so the filter sees each packet once.
        uint32_t lastSeen = queue->firstSeq() - 1;
        for (;;) {
            for (auto entry = queue->entries.begin(); entry != queue->entries.end(); ++entry) {
                if (!s_isNewer(entry->seq, lastSeen)) {
                    continue;
                }
                lastSeen = entry->seq;
                if (filter(entry->packet.get(), reference) != 0) {
                    return queue->take(entry);
                }
            }
            if (!queue->alive || Clock::now() >= deadline) {
                return nullptr;
            }
            queue->ready.wait_until(guard, deadline);
        }
    });
}

uint32_t aPacketFifo_DrainPackets(uint64_t fifo, aPacketFilter filter, void* reference) {
    return s_guarded<uint32_t>(0, [=]() -> uint32_t {
        const FifoRef queue = s_lookup(fifo);
        if (queue == nullptr || filter == nullptr) {
            return 0;
        }
        std::lock_guard guard(queue->lock);
        auto& entries = queue->entries;
        const size_t before = entries.size();
        // One pass, oldest first, moving survivors forward over the removed entries.
        auto kept = entries.begin();
        for (auto entry = entries.begin(); entry != entries.end(); ++entry) {
            if (filter(entry->packet.get(), reference) == 0) {
                if (kept != entry) {
                    *kept = std::move(*entry);
                }
                ++kept;
            }
        }
        entries.erase(kept, entries.end());
        return static_cast<uint32_t>(before - entries.size());
    });
}
}
