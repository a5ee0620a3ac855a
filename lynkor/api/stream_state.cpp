#include "api/stream_state.h"

#include <array>

namespace lynkor::api {

using Norvane::Lynkor::kStreamWildcard;
using Norvane::Lynkor::Link;
using Norvane::Lynkor::STREAM_KEY;
using Norvane::Lynkor::STREAM_PACKET;
using Norvane::Lynkor::StreamStatusEntry;

namespace {

constexpr std::array<STREAM_KEY, 5> kAllElements = {
    Norvane::Lynkor::STREAM_KEY_MODULE, Norvane::Lynkor::STREAM_KEY_COMMAND,
    Norvane::Lynkor::STREAM_KEY_OPTION, Norvane::Lynkor::STREAM_KEY_INDEX,
    Norvane::Lynkor::STREAM_KEY_SUBINDEX};

// The wildcard variants of a key are numbered 1 to 15 by which elements they replace: bit 0 the
// index, bit 1 the option, bit 2 the command, bit 3 the subindex. The module is never replaced.
constexpr int kWildcardVariants = 15;

uint64_t s_wildcardVariant(uint64_t key, int variant) {
    uint8_t index = Link::getStreamKeyElement(key, Norvane::Lynkor::STREAM_KEY_INDEX);
    uint8_t option = Link::getStreamKeyElement(key, Norvane::Lynkor::STREAM_KEY_OPTION);
    uint8_t command = Link::getStreamKeyElement(key, Norvane::Lynkor::STREAM_KEY_COMMAND);
    uint8_t subindex = Link::getStreamKeyElement(key, Norvane::Lynkor::STREAM_KEY_SUBINDEX);
    if (variant & 1) {
        index = kStreamWildcard;
    }
    if (variant & 2) {
        option = kStreamWildcard;
    }
    if (variant & 4) {
        command = kStreamWildcard;
    }
    if (variant & 8) {
        subindex = kStreamWildcard;
    }
    return Link::createStreamKey(Link::getStreamKeyElement(key, Norvane::Lynkor::STREAM_KEY_MODULE),
                                 command, option, index, subindex);
}

bool s_isExact(uint64_t key) {
    for (STREAM_KEY element : kAllElements) {
        if (Link::getStreamKeyElement(key, element) == kStreamWildcard) {
            return false;
        }
    }
    return true;
}

// Whether `key` falls under `pattern` in the listed elements (the pattern's wildcards match
// anything).
template <size_t N>
bool s_matches(uint64_t pattern, uint64_t key, const std::array<STREAM_KEY, N>& elements) {
    for (STREAM_KEY element : elements) {
        const uint8_t wanted = Link::getStreamKeyElement(pattern, element);
        if (wanted != kStreamWildcard && wanted != Link::getStreamKeyElement(key, element)) {
            return false;
        }
    }
    return true;
}

constexpr std::array<STREAM_KEY, 4> kEntityElements = {
    Norvane::Lynkor::STREAM_KEY_MODULE, Norvane::Lynkor::STREAM_KEY_COMMAND,
    Norvane::Lynkor::STREAM_KEY_OPTION, Norvane::Lynkor::STREAM_KEY_INDEX};

// The exact key of a stream packet: option and index without their flag bits, the subindex of
// a subindexed sample.
uint64_t s_packetKey(const aPacket& packet, uint8_t subindex) {
    return Link::createStreamKey(packet.address, packet.data[0], packet.data[1] & UEI_OPTION_MASK,
                                 packet.data[2] & UEI_INDEX_MASK, subindex);
}

}  // namespace

BindingPtr StreamState::insert(uint64_t pattern, BindingPtr binding) {
    std::lock_guard lock(mutex_);
    // Patterns carry a wildcard subindex, so they never meet a learned exact key.
    map_[pattern].binding.swap(binding);
    return binding;
}

std::vector<BindingPtr> StreamState::remove(uint64_t pattern) {
    std::lock_guard lock(mutex_);
    std::vector<BindingPtr> removed;
    for (auto it = map_.begin(); it != map_.end();) {
        if (!s_matches(pattern, it->first, kEntityElements)) {
            ++it;
            continue;
        }
        if (it->second.binding != nullptr) {
            removed.push_back(it->second.binding);
        } else if (learnedKeys_ > 0) {
            --learnedKeys_;
        }
        it = map_.erase(it);
    }
    return removed;
}

std::vector<BindingPtr> StreamState::clear() {
    std::lock_guard lock(mutex_);
    std::vector<BindingPtr> removed;
    for (auto& [key, entry] : map_) {
        if (entry.binding != nullptr) {
            removed.push_back(entry.binding);
        }
    }
    map_.clear();
    learnedKeys_ = 0;
    return removed;
}

bool StreamState::empty() {
    std::lock_guard lock(mutex_);
    return map_.empty();
}

bool StreamState::take(const aPacket& packet) {
    if (!aUEI_isStreamPacket(&packet)) {
        return false;
    }
    uint32_t sample = 0;
    uint8_t subindex = 0;
    const bool decodes = Link::getStreamSample(&packet, nullptr, &sample, &subindex) == aErrNone;
    const uint64_t key = s_packetKey(packet, subindex);

    std::lock_guard lock(mutex_);
    auto exact = map_.find(key);
    if (exact != map_.end()) {
        if (decodes) {
            exact->second.value = sample;
            exact->second.fresh = true;
            exact->second.hasSample = true;
        }
        if (exact->second.binding != nullptr) {
            dispatcher.post(exact->second.binding, packet);
        }
    }
    bool patternMatched = false;
    for (int variant = 1; variant <= kWildcardVariants; ++variant) {
        auto found = map_.find(s_wildcardVariant(key, variant));
        if (found == map_.end() || found->first == key) {
            continue;
        }
        patternMatched = true;
        if (found->second.binding != nullptr) {
            dispatcher.post(found->second.binding, packet);
        }
    }
    if (exact == map_.end() && patternMatched && decodes && learnedKeys_ < kLearnedKeyLimit) {
        map_[key] = StreamEntry{nullptr, sample, true, true};
        ++learnedKeys_;
    }
    return true;
}

aErr StreamState::value(uint64_t key, uint32_t* value) {
    std::lock_guard lock(mutex_);
    auto found = map_.find(key);
    if (found == map_.end() || !found->second.hasSample) {
        return aErrNotFound;
    }
    *value = found->second.value;
    if (found->second.fresh) {
        found->second.fresh = false;
        return aErrNone;
    }
    return aErrStreamStale;
}

std::vector<uint64_t> StreamState::activeKeysLocked(uint64_t pattern) {
    std::vector<uint64_t> keys;
    for (const auto& [key, entry] : map_) {
        if (entry.hasSample && s_isExact(key) && s_matches(pattern, key, kAllElements)) {
            keys.push_back(key);
        }
    }
    return keys;
}

std::vector<uint64_t> StreamState::activeKeys(uint64_t pattern) {
    std::lock_guard lock(mutex_);
    return activeKeysLocked(pattern);
}

aErr StreamState::status(uint64_t pattern, StreamStatusEntry* entries, uint32_t capacity,
                         uint32_t* count) {
    if (entries == nullptr || count == nullptr || capacity == 0) {
        return aErrParam;
    }
    std::lock_guard lock(mutex_);
    const std::vector<uint64_t> keys = activeKeysLocked(pattern);
    uint32_t filled = 0;
    for (uint64_t key : keys) {
        if (filled == capacity) {
            break;
        }
        entries[filled++] = StreamStatusEntry{key, map_[key].value};
    }
    *count = filled;
    return keys.size() > filled ? aErrSize : aErrNone;
}

}  // namespace lynkor::api
