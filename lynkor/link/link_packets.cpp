// Packets in and out, the user filter and pooled sending.
#include <algorithm>
#include <chrono>
#include <thread>

#include "link/link_table.h"
#include "lynkor/aLinkSpec.h"
#include "lynkor/aTime.h"

using namespace lynkor::link;

namespace {

// A reply usually comes within one round trip to the device; waiting that long on the processor
// before going to sleep spares a wake-up.
constexpr auto kReplySpin = std::chrono::microseconds(100);

void s_spinForArrival(uint64_t inbound, uint32_t timeoutMs) {
    const uint32_t before = aPacketFifo_GetLength(inbound);
    const auto deadline =
        std::chrono::steady_clock::now() +
        std::min<std::chrono::microseconds>(kReplySpin, std::chrono::milliseconds(timeoutMs));
    while (aPacketFifo_GetLength(inbound) == before &&
           std::chrono::steady_clock::now() < deadline) {
        std::this_thread::yield();
    }
}

bool s_isClientKind(int type) {
    return type >= TETHRA_CLIENT && type <= TETHRA_SERIAL;
}

}  // namespace

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
    if (link->running.load() && link->status.load() == STATUS_RUNNING) {
        s_spinForArrival(link->inbound, timeoutMs);
    }
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
    // A served link's filter is its server's; another would take the server's packets.
    if (sHasServer(id)) {
        return aErrBusy;
    }
    aMutex_Lock(link->userFilterSema);
    link->userFilter = filter;
    link->userFilterReference = reference;
    aMutex_Unlock(link->userFilterSema);
    return aErrNone;
}

aErr aLink_EnablePooledPackets(aLinkRef id, bool enable) {
    std::shared_ptr<LinkRecord> link = sLookupEntryByID(id);
    int32_t ident0 = 0, ident1 = 0, ident2 = 0;
    int type = 0;
    if (link == nullptr || !sIdentity(id, ident0, ident1, ident2, type)) {
        return aErrParam;
    }
    // A device server takes exactly one packet per message, so client links never pool.
    link->pooled = enable && !s_isClientKind(type);
    return aErrNone;
}
}
