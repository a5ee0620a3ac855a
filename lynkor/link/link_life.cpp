// Start, stop, sync, reset and destroy.
#include "link/link_life.h"

#include <chrono>
#include <new>
#include <system_error>

#include "link/link_table.h"
#include "link/link_threads.h"
#include "lynkor/aTime.h"

namespace lynkor::link {

namespace {

constexpr uint32_t kSyncSettleMs = 100;
constexpr int kResetAttempts = 20;
constexpr uint32_t kResetPauseMs = 100;

uint8_t s_acceptAll(const aPacket*, void*) {
    return 1;
}

aErr s_putRouteSwitch(uint64_t outbound, uint8_t value) {
    aPacket* packet = aPacket_CreateWithData(aLINK_ROUTE_ADDRESS, 1, &value);
    if (packet == nullptr) {
        return aErrMemory;
    }
    aErr result = aPacketFifo_Put(outbound, packet);
    aPacket_Destroy(&packet);
    return result;
}

// Waits for one thread of the session to end; one that does not end in time is left behind,
// detached, still holding its own share of the record and the session.
void s_endThread(LinkSession& session, bool LinkSession::*ended, std::thread& thread) {
    if (!thread.joinable()) {
        return;
    }
    bool done;
    {
        std::unique_lock lock(session.endMutex);
        done = session.ended.wait_for(lock, std::chrono::milliseconds(kThreadEndLimitMs),
                                      [&] { return session.*ended; });
    }
    if (done) {
        thread.join();
    } else {
        thread.detach();
    }
}

aErr s_stop(LinkRecord& link) {
    std::lock_guard life(link.life);
    const int status = link.status.load();
    if (status == STATUS_STOPPING || status == STATUS_STOPPED) {
        return aErrNone;
    }
    link.status = STATUS_STOPPING;
    if (std::shared_ptr<LinkSession> session = link.session) {
        // The route switch is queued before running is cleared: the writer empties the queue
        // only after it has seen running clear, so the switch cannot miss that last pass.
        s_putRouteSwitch(session->outbound, 0);
        session->running = false;
        link.running = false;
        s_endThread(*session, &LinkSession::readerEnded, link.reader);
        s_endThread(*session, &LinkSession::writerEnded, link.writer);
        link.session.reset();
    }
    link.status = STATUS_STOPPED;
    return aErrNone;
}

void s_destroyQueues(LinkRecord& link, aErr* outboundResult) {
    uint64_t inbound = link.inbound.exchange(0);
    uint64_t outbound = link.outbound.exchange(0);
    aPacketFifo_Destroy(&inbound);
    aErr result = aPacketFifo_Destroy(&outbound);
    if (outboundResult != nullptr) {
        *outboundResult = result;
    }
}

}  // namespace

aErr aLink_Init(aLinkRef id, aStream* stream) {
    std::shared_ptr<LinkRecord> link = sLookupEntryByID(id);
    if (link == nullptr) {
        aStream_Destroy(&stream);
        return aErrParam;
    }
    std::lock_guard life(link->life);
    link->id = id;
    link->check = kLinkCheck;
    link->stream.reset();
    if (stream != nullptr) {
        try {
            link->stream = std::make_shared<StreamOwner>(stream);
        } catch (const std::bad_alloc&) {
            aStream_Destroy(&stream);
            return aErrMemory;
        }
    }
    link->status = link->stream != nullptr ? STATUS_STOPPED : STATUS_NO_STREAM;
    link->inbound = aPacketFifo_Create();
    link->outbound = aPacketFifo_Create();
    link->pooled = false;

    aMutex_Lock(link->userFilterSema);
    link->userFilter = nullptr;
    link->userFilterReference = nullptr;
    aMutex_Unlock(link->userFilterSema);

    link->logging = false;
    aMutex_Lock(link->logMutex);
    aPacketLog_Destroy(&link->packetLog);
    link->logSize = 0;
    aMutex_Unlock(link->logMutex);

    return link->inbound != 0 && link->outbound != 0 ? aErrNone : aErrMemory;
}

aErr aLink_Start(aLinkRef id) {
    std::shared_ptr<LinkRecord> link = sLookupEntryByID(id);
    if (link == nullptr || link->check != kLinkCheck) {
        return aErrParam;
    }
    std::shared_ptr<LinkSession> session;
    {
        std::lock_guard life(link->life);
        if (link->session != nullptr) {
            return aErrNone;
        }
        if (link->stream == nullptr) {
            return aErrNotReady;
        }
        try {
            session = std::make_shared<LinkSession>();
        } catch (const std::bad_alloc&) {
            return aErrResource;
        }
        session->stream = link->stream;
        session->inbound = link->inbound;
        session->outbound = link->outbound;
        link->status = STATUS_STARTING;
        try {
            link->reader = std::thread(sInPipeProcess, link, session);
        } catch (const std::system_error&) {
            link->status = STATUS_STOPPED;
            return aErrResource;
        }
        try {
            link->writer = std::thread(sOutPipeProcess, link, session);
        } catch (const std::system_error&) {
            session->running = false;
            link->reader.join();
            link->status = STATUS_STOPPED;
            return aErrResource;
        }
        link->session = session;
        link->running = true;
    }
    bool started = false;
    for (int poll = 0; poll < kPollLimit && !started; ++poll) {
        started = session->readerStarted && session->writerStarted &&
                  link->status.load() == STATUS_RUNNING;
        if (!started) {
            aTime_MSSleep(kPollPeriodMs);
        }
    }
    if (!started) {
        return aErrIndexRange;
    }
    return aLink_ForceRoute(id, 1);
}

aErr aLink_Stop(aLinkRef id) {
    std::shared_ptr<LinkRecord> link = sLookupEntryByID(id);
    return link != nullptr ? s_stop(*link) : aErrParam;
}

aErr aLink_Sync(aLinkRef id) {
    std::shared_ptr<LinkRecord> link = sLookupEntryByID(id);
    if (link == nullptr) {
        return aErrParam;
    }
    // The reader starts the sync procedure at its next byte or empty read.
    link->status = STATUS_SYNCING;
    bool synced = false;
    for (int poll = 0; poll < kPollLimit && !synced; ++poll) {
        aTime_MSSleep(kPollPeriodMs);
        synced = link->status.load() == STATUS_RUNNING;
    }
    // Left-over queries, then the answers to them.
    aPacketFifo_DrainPackets(link->outbound, s_acceptAll, nullptr);
    aTime_MSSleep(kSyncSettleMs);
    aPacketFifo_DrainPackets(link->inbound, s_acceptAll, nullptr);
    return synced ? aErrNone : aErrNotReady;
}

aErr aLink_ForceRoute(aLinkRef id, uint8_t value) {
    std::shared_ptr<LinkRecord> link = sLookupEntryByID(id);
    return link != nullptr ? s_putRouteSwitch(link->outbound, value) : aErrParam;
}

}  // namespace lynkor::link

using namespace lynkor::link;

extern "C" {

linkStatus aLink_GetStatus(aLinkRef id) {
    std::shared_ptr<LinkRecord> link = sLookupEntryByID(id);
    return link != nullptr ? static_cast<linkStatus>(link->status.load()) : STATUS_NO_STREAM;
}

aErr aLink_Reset(aLinkRef id) {
    std::shared_ptr<LinkRecord> link = sLookupEntryByID(id);
    int32_t ident0 = 0, ident1 = 0, ident2 = 0;
    int type = 0;
    if (link == nullptr || link->check != kLinkCheck ||
        !sIdentity(id, ident0, ident1, ident2, type)) {
        return aErrParam;
    }
    // Its device server holds the link's queues and filter; a reset would pull them away.
    if (sHasServer(id)) {
        return aErrBusy;
    }
    s_stop(*link);
    s_destroyQueues(*link, nullptr);
    {
        std::lock_guard life(link->life);
        link->stream.reset();
    }
    aStream* stream = nullptr;
    aErr result = aErrParam;
    for (int attempt = 0; attempt < kResetAttempts; ++attempt) {
        result = sOpenStream(type, ident0, ident1, ident2, &stream);
        if (result == aErrNone) {
            break;
        }
        aTime_MSSleep(kResetPauseMs);
    }
    if (stream == nullptr) {
        return result;
    }
    result = aLink_Init(id, stream);
    return result == aErrNone ? aLink_Start(id) : result;
}

aErr aLink_Destroy(aLinkRef* id) {
    if (id == nullptr) {
        return aErrParam;
    }
    bool found = false;
    std::unique_ptr<LinkEntry> entry = sReleaseHolder(*id, found);
    *id = 0;
    if (!found) {
        return aErrParam;
    }
    if (entry == nullptr) {
        return aErrNone;
    }
    LinkRecord& link = *entry->link;
    aMutex_Lock(link.userFilterSema);
    link.userFilter = nullptr;
    link.userFilterReference = nullptr;
    aMutex_Unlock(link.userFilterSema);

    s_stop(link);
    entry->server.reset();
    if (entry->deviceLink != 0) {
        aLink_Destroy(&entry->deviceLink);
    }
    aErr result = aErrNone;
    s_destroyQueues(link, &result);
    {
        std::lock_guard life(link.life);
        link.stream.reset();
    }
    // The record goes with the entry, or with the last thread that was left behind.
    return result;
}
}
