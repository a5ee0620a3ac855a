// The packet debug log of a link: the threads record into it, the application reads it out.
#include "link/link_table.h"

using namespace lynkor::link;

namespace {

constexpr uint32_t kDefaultLogSize = 65536;

// Runs `action` on the link's log under its mutex; aErrNotReady when there is no log.
template <typename Action>
aErr s_withLog(aLinkRef id, Action action) {
    std::shared_ptr<LinkRecord> link = sLookupEntryByID(id);
    if (link == nullptr) {
        return aErrParam;
    }
    aMutex_Lock(link->logMutex);
    aErr result = link->packetLog != nullptr ? action(*link) : aErrNotReady;
    aMutex_Unlock(link->logMutex);
    return result;
}

}  // namespace

extern "C" {

aErr aLink_PacketDebug_SetLogSize(aLinkRef id, int32_t size) {
    std::shared_ptr<LinkRecord> link = sLookupEntryByID(id);
    if (link == nullptr || size > aLINK_LOG_MAX_SIZE) {
        return aErrParam;
    }
    aMutex_Lock(link->logMutex);
    aErr result = aErrBusy;
    if (link->packetLog == nullptr) {
        link->logSize = size < 0 ? 0 : static_cast<uint32_t>(size);
        result = aErrNone;
    }
    aMutex_Unlock(link->logMutex);
    return result;
}

aErr aLink_PacketDebug_Enable(aLinkRef id) {
    std::shared_ptr<LinkRecord> link = sLookupEntryByID(id);
    if (link == nullptr) {
        return aErrParam;
    }
    if (link->logMutex == nullptr) {
        return aErrResource;
    }
    aMutex_Lock(link->logMutex);
    if (link->packetLog == nullptr) {
        link->packetLog = aPacketLog_Create(link->logSize != 0 ? link->logSize : kDefaultLogSize);
    }
    aErr result = aErrResource;
    if (link->packetLog != nullptr) {
        link->packetLog->enabled = 1;
        link->logging = true;
        result = aErrNone;
    }
    aMutex_Unlock(link->logMutex);
    return result;
}

aErr aLink_PacketDebug_Disable(aLinkRef id) {
    return s_withLog(id, [](LinkRecord& link) {
        link.logging = false;
        link.packetLog->enabled = 0;
        return aErrNone;
    });
}

aErr aLink_PacketDebug_Read(aLinkRef id, uint8_t* mark, uint32_t* length, uint8_t* buffer) {
    return s_withLog(
        id, [&](LinkRecord& link) { return aPacketLog_Get(link.packetLog, mark, length, buffer); });
}

aErr aLink_PacketDebug_Write(aLinkRef id, uint8_t mark, uint8_t length, const uint8_t* bytes) {
    return s_withLog(
        id, [&](LinkRecord& link) { return aPacketLog_Put(link.packetLog, mark, length, bytes); });
}
}
