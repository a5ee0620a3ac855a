#include "api/link_filter_hub.h"

#include <algorithm>
#include <map>
#include <mutex>
#include <vector>

namespace lynkor::api {

namespace {

// The takers fed by one link's filter. The reader thread runs the filter under the link's
// user-filter lock and takes `mutex` inside it.
struct LinkHub {
    std::mutex mutex;
    std::vector<std::shared_ptr<PacketTaker>> members;
};

// Installing and removing filters happens under this lock, which the reader never takes, so it
// may be held while the link's user-filter lock is taken.
std::mutex s_hubsMutex;
std::map<aLinkRef, std::unique_ptr<LinkHub>> s_hubs;

}  // namespace

aErr attachTaker(aLinkRef link, const std::shared_ptr<PacketTaker>& taker) {
    std::lock_guard hubs(s_hubsMutex);
    auto found = s_hubs.find(link);
    if (found == s_hubs.end()) {
        auto hub = std::make_unique<LinkHub>();
        hub->members.push_back(taker);
        const aErr result = aLink_InstallUserPacketFilter(link, hubFilter, hub.get());
        if (result == aErrNone) {
            s_hubs.emplace(link, std::move(hub));
        }
        return result;
    }
    std::lock_guard lock(found->second->mutex);
    std::vector<std::shared_ptr<PacketTaker>>& members = found->second->members;
    if (std::find(members.begin(), members.end(), taker) == members.end()) {
        members.push_back(taker);
    }
    return aErrNone;
}

void detachTaker(aLinkRef link, const PacketTaker* taker) {
    std::lock_guard hubs(s_hubsMutex);
    auto found = s_hubs.find(link);
    if (found == s_hubs.end()) {
        return;
    }
    bool empty = false;
    {
        std::lock_guard lock(found->second->mutex);
        std::vector<std::shared_ptr<PacketTaker>>& members = found->second->members;
        std::erase_if(members, [&](const auto& member) { return member.get() == taker; });
        empty = members.empty();
    }
    if (empty) {
        // Taking the user-filter lock waits for a filter call in progress, so the hub can go.
        aLink_InstallUserPacketFilter(link, nullptr, nullptr);
        s_hubs.erase(found);
    }
}

aErr reinstallFilter(aLinkRef link) {
    std::lock_guard hubs(s_hubsMutex);
    auto found = s_hubs.find(link);
    if (found == s_hubs.end()) {
        return aErrNone;
    }
    return aLink_InstallUserPacketFilter(link, hubFilter, found->second.get());
}

uint8_t hubFilter(const aPacket* packet, void* hub) {
    if (hub == nullptr || !aPacket_IsValid(packet)) {
        return 0;
    }
    auto& linkHub = *static_cast<LinkHub*>(hub);
    std::lock_guard lock(linkHub.mutex);
    bool taken = false;
    for (const std::shared_ptr<PacketTaker>& member : linkHub.members) {
        taken = member->take(*packet) || taken;
    }
    return taken ? 1 : 0;
}

}  // namespace lynkor::api
