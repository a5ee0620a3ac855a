// TCP socket stream. It reconnects by itself when the connection is lost, from the reading or
// the writing side, whichever notices first; a peer that closes in order counts as lost too,
// since a device only closes when it leaves. While the peer stays away, each read or write tries
// again, at most once per kReconnectIntervalMs, so that the stream comes back with the device.
#include <chrono>
#include <cstdint>
#include <mutex>
#include <new>
#include <shared_mutex>

#include "platform/descriptor.h"
#include "platform/socket.h"
#include "stream/stream_record.h"

namespace {

using lynkor::platform::IoResult;
using lynkor::platform::IoStatus;
using Clock = std::chrono::steady_clock;

constexpr uint16_t kSocketContextCheck = 0xDEAD;
constexpr int kConnectTimeoutMs = 2000;
constexpr int kReconnectPauseMs = 10;
constexpr auto kReconnectInterval = std::chrono::milliseconds(100);
constexpr int kWriteRetryPauseMs = 60;
constexpr int kWriteAttempts = 10;
constexpr size_t kInputBufferSize = 4096;

struct SocketContext {
    uint16_t check = kSocketContextCheck;
    uint32_t ipAddress = 0;
    uint16_t port = 0;
    // Held shared by each read or write on the socket, exclusively to replace it.
    std::shared_mutex connection;
    int fd = -1;
    bool connected = false;
    // Counts connects, so that a loss seen by both sides is answered by one reconnect.
    uint64_t generation = 0;
    Clock::time_point lastAttempt{};
    // Belongs to the reading side alone.
    uint8_t input[kInputBufferSize]{};
    size_t inputCount = 0;
    size_t inputNext = 0;
};

SocketContext* s_context(void* ref) {
    auto* context = static_cast<SocketContext*>(ref);
    return context != nullptr && context->check == kSocketContextCheck ? context : nullptr;
}

// Caller holds the connection lock exclusively.
void s_disconnect(SocketContext* context) {
    if (context->fd >= 0) {
        lynkor::platform::closeDescriptor(context->fd);
        context->fd = -1;
        context->connected = false;
    }
}

// Caller holds the connection lock exclusively.
aErr s_connect(SocketContext* context) {
    // A pause between dropping a connection and asking for the next; a close needs none.
    if (context->fd >= 0) {
        s_disconnect(context);
        lynkor::platform::sleepMilliseconds(kReconnectPauseMs);
    }
    context->lastAttempt = Clock::now();
    aErr result = lynkor::platform::tcpConnect(context->ipAddress, context->port, kConnectTimeoutMs,
                                               &context->fd);
    if (result != aErrNone) {
        lynkor::platform::sleepMilliseconds(kReconnectPauseMs);
        return result;
    }
    context->connected = true;
    ++context->generation;
    return aErrNone;
}

// Answers a loss seen on the connection of `generationSeen`.
aErr s_reconnect(SocketContext* context, uint64_t generationSeen) {
    std::unique_lock lock(context->connection);
    if (context->generation != generationSeen) {
        return context->connected ? aErrNone : aErrConnection;
    }
    return s_connect(context);
}

// Tries again for a stream whose last connect failed.
aErr s_connectAgain(SocketContext* context) {
    std::unique_lock lock(context->connection);
    if (context->connected) {
        return aErrNone;
    }
    if (Clock::now() - context->lastAttempt < kReconnectInterval) {
        return aErrConnection;
    }
    return s_connect(context);
}

aErr s_get(uint8_t* byte, void* ref) {
    SocketContext* context = s_context(ref);
    if (context == nullptr || byte == nullptr) {
        return aErrParam;
    }
    if (context->inputNext < context->inputCount) {
        *byte = context->input[context->inputNext++];
        return aErrNone;
    }
    std::shared_lock lock(context->connection);
    if (!context->connected) {
        lock.unlock();
        const aErr connected = s_connectAgain(context);
        return connected == aErrNone ? aErrNotReady : connected;
    }
    const uint64_t generation = context->generation;
    IoResult result = lynkor::platform::readAvailable(context->fd, context->input, kInputBufferSize,
                                                      lynkor::platform::kIdleReadWaitMs);
    lock.unlock();
    switch (result.status) {
        case IoStatus::Done:
            context->inputCount = result.count;
            context->inputNext = 1;
            *byte = context->input[0];
            return aErrNone;
        case IoStatus::NothingYet:
            return aErrNotReady;
        case IoStatus::Closed:
        case IoStatus::ConnectionLost: {
            aErr reconnected = s_reconnect(context, generation);
            return reconnected == aErrNone ? aErrNotReady : reconnected;
        }
        case IoStatus::Failed:
            break;
    }
    return aErrConnection;
}

aErr s_write(const uint8_t* data, size_t length, void* ref) {
    SocketContext* context = s_context(ref);
    if (context == nullptr || data == nullptr) {
        return aErrParam;
    }
    size_t sent = 0;
    int attempts = 0;
    while (sent < length) {
        if (attempts >= kWriteAttempts) {
            return aErrWrite;
        }
        std::shared_lock lock(context->connection);
        if (!context->connected) {
            lock.unlock();
            if (s_connectAgain(context) != aErrNone) {
                return aErrConnection;
            }
            continue;
        }
        const uint64_t generation = context->generation;
        IoResult result = lynkor::platform::sendSome(context->fd, data + sent, length - sent);
        switch (result.status) {
            case IoStatus::Done:
                sent += result.count;
                if (sent < length) {
                    attempts = 1;
                    lynkor::platform::waitWritable(context->fd, kWriteRetryPauseMs);
                }
                break;
            case IoStatus::NothingYet:
                ++attempts;
                lynkor::platform::waitWritable(context->fd, kWriteRetryPauseMs);
                break;
            case IoStatus::Closed:
            case IoStatus::ConnectionLost:
                lock.unlock();
                // Every reconnect counts, also a failed one, so that a peer that is gone for
                // good ends the write after its attempts instead of never.
                s_reconnect(context, generation);
                ++attempts;
                lynkor::platform::sleepMilliseconds(kWriteRetryPauseMs);
                break;
            case IoStatus::Failed:
                return aErrIO;
        }
    }
    return aErrNone;
}

aErr s_put(const uint8_t* byte, void* ref) {
    return s_write(byte, 1, ref);
}

aErr s_close(void* ref) {
    SocketContext* context = s_context(ref);
    if (context == nullptr) {
        return aErrParam;
    }
    {
        std::unique_lock lock(context->connection);
        s_disconnect(context);
    }
    context->check = 0;
    delete context;
    return aErrNone;
}

}  // namespace

extern "C" aErr aStream_CreateSocket(uint32_t ipAddress, uint16_t port, aStream** stream) {
    if (stream == nullptr) {
        return aErrParam;
    }
    *stream = nullptr;
    auto* context = new (std::nothrow) SocketContext;
    if (context == nullptr) {
        return aErrMemory;
    }
    context->ipAddress = ipAddress;
    context->port = port;
    aErr connected = aErrNone;
    {
        std::unique_lock lock(context->connection);
        connected = s_connect(context);
    }
    if (connected != aErrNone) {
        delete context;
        return aErrResource;
    }
    return lynkor::makeTransportStream(s_get, s_put, s_write, s_close, context, stream);
}
