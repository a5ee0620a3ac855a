#include "link/link_record.h"

#include <cstdio>

namespace lynkor::link {

LinkRecord::LinkRecord() {
    // Named after the record, as the log mutex below.
    char name[64];
    std::snprintf(name, sizeof name, "aLink(%p)->userFilterSema", static_cast<void*>(this));
    userFilterSema = aMutex_Create(name);
    std::snprintf(name, sizeof name, "LOG_SEMA_%p", static_cast<void*>(this));
    logMutex = aMutex_Create(name);
}

LinkRecord::~LinkRecord() {
    // Only a thread that outlived its stop can still be attached here; it was detached then.
    if (reader.joinable()) {
        reader.detach();
    }
    if (writer.joinable()) {
        writer.detach();
    }
    check = 0;
    aPacketLog_Destroy(&packetLog);
    aMutex_Destroy(&logMutex);
    aMutex_Destroy(&userFilterSema);
}

void logPacket(LinkRecord& link, uint8_t mark, const aPacket* packet) {
    if (!link.logging.load()) {
        return;
    }
    uint8_t wire[aPACKET_MAX_WIRE_SIZE];
    size_t length = 0;
    if (aPacket_GetBytes(packet, wire, sizeof wire, &length) != aErrNone) {
        return;
    }
    aMutex_Lock(link.logMutex);
    if (link.packetLog != nullptr && link.packetLog->enabled) {
        aPacketLog_Put(link.packetLog, mark, static_cast<uint8_t>(length), wire);
    }
    aMutex_Unlock(link.logMutex);
}

}  // namespace lynkor::link
