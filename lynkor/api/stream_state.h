#pragma once

// The stream state of one Link: the cache of the latest sample of every watched key, the
// registered patterns with their callbacks, and the dispatcher that runs the callbacks.
#include <cstdint>
#include <map>
#include <mutex>
#include <vector>

#include "api/callback_dispatcher.h"
#include "api/packet_taker.h"
#include "lynkor/Link.h"

namespace lynkor::api {

// Exact keys that samples caught by wildcard patterns may add to the cache; past this the
// callbacks still run, but the values are not kept.
constexpr size_t kLearnedKeyLimit = 4096;

struct StreamEntry {
    BindingPtr binding;  // null for a key that is only cached
    uint32_t value = 0;
    bool fresh = false;
    bool hasSample = false;
};

class StreamState : public PacketTaker {
public:
    // Registration. Adds the pattern, or replaces its binding; answers the binding replaced.
    BindingPtr insert(uint64_t pattern, BindingPtr binding);
    // Removes every entry of the module, command, option and index (kStreamWildcard in the
    // request matches any), whatever its subindex; answers their bindings.
    std::vector<BindingPtr> remove(uint64_t pattern);
    // Empties the map; answers every binding.
    std::vector<BindingPtr> clear();
    bool empty();

    // Takes every stream packet: stores its sample and queues the callbacks of the matching
    // patterns.
    bool take(const aPacket& packet) override;

    aErr value(uint64_t key, uint32_t* value);
    aErr status(uint64_t pattern, Norvane::Lynkor::StreamStatusEntry* entries, uint32_t capacity,
                uint32_t* count);
    std::vector<uint64_t> activeKeys(uint64_t pattern);

    CallbackDispatcher dispatcher;

private:
    std::vector<uint64_t> activeKeysLocked(uint64_t pattern);

    std::recursive_mutex mutex_;
    std::map<uint64_t, StreamEntry> map_;
    size_t learnedKeys_ = 0;
};

}  // namespace lynkor::api
