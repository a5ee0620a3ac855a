// The reader thread: one byte per stream read, the sync state machine, heartbeats.
#include <chrono>

#include "link/link_threads.h"
#include "lynkor/aTime.h"

namespace lynkor::link {

namespace {

constexpr uint32_t kReadErrorPauseMs = 100;
constexpr int kSyncQueryCount = 6;
// A stream that answers "nothing yet" without waiting at all would make the reader spin; such
// reads are paced here instead.
constexpr auto kUnpacedReadLimit = std::chrono::milliseconds(1);
constexpr uint32_t kUnpacedReadPauseMs = 10;

// Heartbeats carry command 0 and a value; the answer carries the value plus this.
constexpr uint8_t kHeartbeatCommand = 0;
constexpr uint8_t kHeartbeatAnswerOffset = 2;

enum SyncState {
    kSyncStateDone = 0,
    kSyncStateStart = 1,
    kSyncStateByte1 = 2,
    kSyncStateByte2 = 3,
    kSyncStateByte3 = 4,
    kSyncStateByte4 = 5,
};

// What only the reader thread touches.
struct Reader {
    LinkRecord& link;
    LinkSession& session;
    aPacket* assembler;
    int syncState = kSyncStateDone;
    uint8_t syncByte = 1;
};

// Queues six queries; the device answers each with an empty packet from its module address.
void syncStart(Reader& reader) {
    setThreadStatus(reader.link, reader.session, STATUS_SYNCING);
    reader.syncState = kSyncStateStart;
    aPacket_Reset(reader.assembler);
    aPacket* query = aPacket_Create();
    if (query == nullptr) {
        return;
    }
    query->address = aLINK_QUERY_ADDRESS;
    query->cur_size = 2;
    aErr result = aErrNone;
    for (int i = 0; i < kSyncQueryCount; ++i) {
        result = aPacketFifo_Put(reader.session.outbound, query);
    }
    aPacket_Destroy(&query);
    if (result == aErrNone) {
        reader.syncState = kSyncStateByte1;
    }
}

// In step, the stream shows A, 0, A, 0 for an even, non-zero module address A.
void s_syncByte(Reader& reader, uint8_t byte) {
    switch (reader.syncState) {
        case kSyncStateByte1:
            if (byte != 0 && byte % 2 == 0) {
                reader.syncByte = byte;
                reader.syncState = kSyncStateByte2;
            } else {
                syncStart(reader);
            }
            break;
        case kSyncStateByte2:
            reader.syncState = byte == 0 ? kSyncStateByte3 : kSyncStateStart;
            break;
        case kSyncStateByte3:
            reader.syncState = byte == reader.syncByte ? kSyncStateByte4 : kSyncStateStart;
            break;
        case kSyncStateByte4:
            if (byte == 0) {
                reader.syncState = kSyncStateDone;
                setThreadStatus(reader.link, reader.session, STATUS_RUNNING);
            } else {
                reader.syncState = kSyncStateStart;
            }
            break;
        default:
            syncStart(reader);
            break;
    }
}

}  // namespace

// Answers a heartbeat (a packet with exactly two data bytes, command 0) and reports it handled.
bool sHandleHBBackChannel(LinkSession& session, const aPacket* packet) {
    if (packet->data_size != 2 || packet->data[0] != kHeartbeatCommand) {
        return false;
    }
    const uint8_t answer[2] = {kHeartbeatCommand,
                               static_cast<uint8_t>(packet->data[1] + kHeartbeatAnswerOffset)};
    aPacket* reply = aPacket_CreateWithData(packet->address, 2, answer);
    if (reply != nullptr) {
        aPacketFifo_Put(session.outbound, reply);
        aPacket_Destroy(&reply);
    }
    return true;
}

namespace {

void sHandlePacket(Reader& reader) {
    LinkRecord& link = reader.link;
    const aPacket* packet = reader.assembler;
    logPacket(link, aLINK_LOG_RECEIVED, packet);

    aMutex_Lock(link.userFilterSema);
    const bool taken =
        link.userFilter != nullptr && link.userFilter(packet, link.userFilterReference) != 0;
    aMutex_Unlock(link.userFilterSema);

    if (!taken && !sHandleHBBackChannel(reader.session, packet) &&
        aPacketFifo_Put(reader.session.inbound, packet) != aErrNone) {
        setThreadStatus(link, reader.session, STATUS_FAULT);
    }
    aPacket_Reset(reader.assembler);
}

}  // namespace

void sInPipeProcess(std::shared_ptr<LinkRecord> link, std::shared_ptr<LinkSession> session) {
    Reader reader{*link, *session, aPacket_Create()};
    aStream* stream = session->stream->get();
    session->readerStarted = true;
    setThreadStatus(*link, *session, STATUS_RUNNING);

    while (session->running && reader.assembler != nullptr) {
        uint8_t byte = 0;
        const auto readStart = std::chrono::steady_clock::now();
        const aErr result = aStream_Read(stream, &byte, 1);
        if (result == aErrNotReady) {
            const int status = link->status.load();
            if (status == STATUS_SYNCING || status == STATUS_IO_ERROR) {
                syncStart(reader);
            }
            if (std::chrono::steady_clock::now() - readStart < kUnpacedReadLimit) {
                aTime_MSSleep(kUnpacedReadPauseMs);
            }
            continue;
        }
        if (result != aErrNone) {
            setThreadStatus(*link, *session, STATUS_IO_ERROR);
            aTime_MSSleep(kReadErrorPauseMs);
            continue;
        }
        if (link->status.load() == STATUS_SYNCING) {
            s_syncByte(reader, byte);
            continue;
        }
        // Module addresses are even: an odd one, like a refused byte, means the stream is out
        // of step and what was assembled so far is dropped.
        if (aPacket_AddByte(reader.assembler, byte) != aErrNone ||
            (reader.assembler->address & 1)) {
            syncStart(reader);
            continue;
        }
        if (aPacket_IsComplete(reader.assembler)) {
            sHandlePacket(reader);
        }
    }
    aPacket_Destroy(&reader.assembler);
    signalThreadEnd(*session, &LinkSession::readerEnded);
}

}  // namespace lynkor::link
