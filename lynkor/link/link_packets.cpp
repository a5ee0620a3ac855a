// Packets in and out, the user filter and pooled sending.
#include "link/link_table.h"
#include "lynkor/aTime.h"

using namespace lynkor::link;

extern "C" {

aErr aLink_PutPacket(aLinkRef id, const aPacket* packet) {
    std::shared_ptr<LinkRecord> link = sLookupEntryByID(id);
    return link != nullptr ? aPacketFifo_Put(link->outbound, packet) : aErrParam;
}

aPacket* aLink_GetPacket(aLinkRef id) {
    std::shared_ptr<LinkRecord> link = sLookupEntryByID(id);
    return link != nullptr ? aPacketFifo_Get(link->inbound) : nullptr;
}

aPacket* aLink_GetFirst(aLinkRef id, aPacketFilter filter, void* reference) {
    std::shared_ptr<LinkRecord> link = sLookupEntryByID(id);
    return link != nullptr ? aPacketFifo_GetFirst(link->inbound, filter, reference) : nullptr;
}

aPacket* aLink_AwaitPacket(aLinkRef id, uint32_t timeoutMs) {
    std::shared_ptr<LinkRecord> link = sLookupEntryByID(id);
    return link != nullptr ? aPacketFifo_Await(link->inbound, timeoutMs) : nullptr;
}

aPacket* aLink_AwaitFirst(aLinkRef id, aPacketFilter filter, void* reference, uint32_t timeoutMs) {
    std::shared_ptr<LinkRecord> link = sLookupEntryByID(id);
    if (link == nullptr) {
        return nullptr;
    }
    const uint32_t start = aTime_GetMSTicks();
    aPacket* found = nullptr;
    // Only a link that runs in step with the device can deliver what is asked for.
    while (found == nullptr && link->running.load() && link->status.load() == STATUS_RUNNING) {
        const uint32_t waited = aTime_GetMSTicks() - start;
        if (waited >= timeoutMs) {
            break;
        }
        found = aPacketFifo_AwaitFirst(link->inbound, filter, reference, timeoutMs - waited);
    }
    return found;
}

uint32_t aLink_DrainPackets(aLinkRef id, aPacketFilter filter, void* reference) {
    std::shared_ptr<LinkRecord> link = sLookupEntryByID(id);
    return link != nullptr ? aPacketFifo_DrainPackets(link->inbound, filter, reference) : 0;
}

aErr aLink_InstallUserPacketFilter(aLinkRef id, aPacketFilter filter, void* reference) {
    std::shared_ptr<LinkRecord> link = sLookupEntryByID(id);
    if (link == nullptr) {
        return aErrParam;
    }
    aMutex_Lock(link->userFilterSema);
    link->userFilter = filter;
    link->userFilterReference = reference;
    aMutex_Unlock(link->userFilterSema);
    return aErrNone;
}

aErr aLink_EnablePooledPackets(aLinkRef id, bool enable) {
    std::shared_ptr<LinkRecord> link = sLookupEntryByID(id);
    if (link == nullptr) {
        return aErrParam;
    }
    link->pooled = enable;
    return aErrNone;
}
}
