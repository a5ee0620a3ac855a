#pragma once

// The state of one link. The reader and writer threads hold shared ownership of the record and
// of their session, so that a thread that outlives its stop (it is then detached) never touches
// freed memory: what it uses goes only when it lets go.
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>

#include "lynkor/aLink.h"
#include "lynkor/aMutex.h"
#include "lynkor/aPacketLog.h"
#include "lynkor/aStream.h"

namespace lynkor::link {

constexpr uint16_t kLinkCheck = 0xCEED;

// Closes the stream when its last user lets go.
class StreamOwner {
public:
    explicit StreamOwner(aStream* stream) : stream_(stream) {}
    ~StreamOwner() { aStream_Destroy(&stream_); }
    StreamOwner(const StreamOwner&) = delete;
    StreamOwner& operator=(const StreamOwner&) = delete;
    aStream* get() const { return stream_; }

private:
    aStream* stream_;
};

// One run of the reader and writer threads, from aLink_Start to aLink_Stop. A new start makes a
// new session, so a thread left over from an earlier run cannot mistake the new run for its own.
struct LinkSession {
    std::atomic<bool> running{true};
    std::shared_ptr<StreamOwner> stream;
    uint64_t inbound = 0;
    uint64_t outbound = 0;
    std::atomic<bool> readerStarted{false};
    std::atomic<bool> writerStarted{false};

    // Each thread says here that it has ended, so that a stop can wait for it with a limit.
    std::mutex endMutex;
    std::condition_variable ended;
    bool readerEnded = false;
    bool writerEnded = false;
};

struct LinkRecord {
    LinkRecord();
    ~LinkRecord();
    LinkRecord(const LinkRecord&) = delete;
    LinkRecord& operator=(const LinkRecord&) = delete;

    std::atomic<uint16_t> check{0};
    aLinkRef id = 0;
    std::atomic<int> status{STATUS_NO_STREAM};
    // Set from start to stop; the running session's own flag is what its threads follow.
    std::atomic<bool> running{false};
    std::atomic<bool> pooled{false};

    // Serialises start, stop, reset and the final teardown; the threads never take it.
    std::mutex life;
    // Guarded by `life`.
    std::shared_ptr<StreamOwner> stream;
    std::shared_ptr<LinkSession> session;
    std::thread reader;
    std::thread writer;

    // Read without `life` by the packet functions; a destroyed queue's id only answers "not
    // found".
    std::atomic<uint64_t> inbound{0};
    std::atomic<uint64_t> outbound{0};

    // The user filter and its reference, guarded by userFilterSema.
    aMutex* userFilterSema = nullptr;
    aPacketFilter userFilter = nullptr;
    void* userFilterReference = nullptr;

    // The packet debug log, guarded by logMutex. `logging` lets the threads skip the lock while
    // nothing is recorded.
    aMutex* logMutex = nullptr;
    aPacketLog* packetLog = nullptr;
    uint32_t logSize = 0;
    std::atomic<bool> logging{false};
};

// Sets the status on behalf of a thread of `session`, unless that session has been stopped.
inline void setThreadStatus(LinkRecord& link, const LinkSession& session, linkStatus status) {
    if (session.running.load()) {
        link.status.store(status);
    }
}

// Tells a stop waiting in aLink_Stop that one thread of the session has ended.
inline void signalThreadEnd(LinkSession& session, bool LinkSession::*ended) {
    {
        std::lock_guard lock(session.endMutex);
        session.*ended = true;
    }
    session.ended.notify_all();
}

// Records one packet's wire bytes in the debug log when recording is on.
void logPacket(LinkRecord& link, uint8_t mark, const aPacket* packet);

}  // namespace lynkor::link
