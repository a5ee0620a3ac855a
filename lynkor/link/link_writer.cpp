// The writer thread: one write per packet, or batches of about 4 KB when pooled.
#include <chrono>
#include <cstring>
#include <thread>

#include "link/link_threads.h"

namespace lynkor::link {

namespace {

constexpr uint32_t kWriterWaitMs = 1000;
constexpr size_t kPoolBufferSize = 4096;
// A batch ends once it holds more than this; one more packet of at most 30 bytes still fits.
constexpr size_t kPoolFillLimit = 4066;
// After a write the next packet often follows within one round trip to the device (the next
// request after a reply): waiting that long on the processor spares a sleep and a wake-up.
constexpr auto kNextPacketSpin = std::chrono::microseconds(100);

void s_spinForNextPacket(const LinkSession& session) {
    const auto deadline = std::chrono::steady_clock::now() + kNextPacketSpin;
    while (session.running && aPacketFifo_GetLength(session.outbound) == 0 &&
           std::chrono::steady_clock::now() < deadline) {
        std::this_thread::yield();
    }
}

void s_writeOne(LinkRecord& link, aStream* stream, aPacket* packet) {
    uint8_t wire[aPACKET_MAX_WIRE_SIZE];
    size_t length = 0;
    if (aPacket_GetBytes(packet, wire, sizeof wire, &length) == aErrNone) {
        // A failed write is not reported further; the device or the stream will tell.
        aStream_Write(stream, wire, length);
        logPacket(link, aLINK_LOG_SENT, packet);
    }
}

void s_writePooled(LinkRecord& link, LinkSession& session, aStream* stream, aPacket* first) {
    uint8_t buffer[kPoolBufferSize];
    size_t filled = 0;
    size_t length = 0;
    if (aPacket_GetBytes(first, buffer, sizeof buffer, &length) != aErrNone) {
        return;
    }
    filled = length;
    while (filled <= kPoolFillLimit) {
        aPacket* next = aPacketFifo_Get(session.outbound);
        if (next == nullptr) {
            break;
        }
        if (aPacket_GetBytes(next, buffer + filled, sizeof buffer - filled, &length) == aErrNone) {
            filled += length;
        }
        aPacket_Destroy(&next);
    }
    aStream_Write(stream, buffer, filled);
    logPacket(link, aLINK_LOG_SENT, first);
}

}  // namespace

void sOutPipeProcess(std::shared_ptr<LinkRecord> link, std::shared_ptr<LinkSession> session) {
    aStream* stream = session->stream->get();
    session->writerStarted = true;
    while (session->running) {
        aPacket* packet = aPacketFifo_Await(session->outbound, kWriterWaitMs);
        if (packet == nullptr) {
            continue;
        }
        if (link->pooled) {
            s_writePooled(*link, *session, stream, packet);
        } else {
            s_writeOne(*link, stream, packet);
        }
        aPacket_Destroy(&packet);
        s_spinForNextPacket(*session);
    }
    // What is still queued goes out, so that the route switch of a stop reaches the device.
    while (aPacket* packet = aPacketFifo_Get(session->outbound)) {
        s_writeOne(*link, stream, packet);
        aPacket_Destroy(&packet);
    }
    signalThreadEnd(*session, &LinkSession::writerEnded);
}

}  // namespace lynkor::link
