// Client stream to a device server: each write is one message holding one packet's bytes, and
// each message received is handed out byte by byte.
//
// A message socket may be used by one thread at a time, but the link reads and writes from two.
// So every use of the socket is brief and under a lock, and the reader waits outside the lock
// on the socket's readiness descriptor. That descriptor only signals changes, which the writer
// may consume while it sends; the writer therefore wakes the reader when it sees a message
// waiting.
#include <arpa/inet.h>
#include <zmq.h>

#include <chrono>
#include <cstdio>
#include <mutex>
#include <new>
#include <vector>

#include "platform/descriptor.h"
#include "platform/message_socket.h"
#include "stream/stream_record.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr uint16_t kClientContextCheck = 0xDEAD;
constexpr int kReadWaitMs = 1000;
// How long creation waits for the server to accept the connection.
constexpr int kConnectWaitMs = 1000;
constexpr int kSendAttempts = 100;
constexpr int kSendRetryPauseMs = 1;

struct ClientContext {
    uint16_t check = kClientContextCheck;
    void* messaging = nullptr;
    void* socket = nullptr;
    int readinessFd = -1;
    std::mutex socketLock;
    lynkor::platform::WakeSignal readerWake;
    // Belongs to the reading side alone: the message being handed out.
    std::vector<uint8_t> message;
    size_t messageNext = 0;

    ~ClientContext() {
        if (socket != nullptr) {
            zmq_close(socket);
        }
        if (messaging != nullptr) {
            zmq_ctx_term(messaging);
        }
    }
};

ClientContext* s_context(void* ref) {
    auto* context = static_cast<ClientContext*>(ref);
    return context != nullptr && context->check == kClientContextCheck ? context : nullptr;
}

// Caller holds the socket lock.
bool s_messageWaiting(ClientContext* context) {
    int events = 0;
    size_t size = sizeof events;
    return zmq_getsockopt(context->socket, ZMQ_EVENTS, &events, &size) == 0 &&
           (events & ZMQ_POLLIN) != 0;
}

// Takes the next message if one has arrived; false when none has.
bool s_takeMessage(ClientContext* context) {
    std::lock_guard lock(context->socketLock);
    if (!s_messageWaiting(context)) {
        return false;
    }
    zmq_msg_t message;
    zmq_msg_init(&message);
    const int size = zmq_msg_recv(&message, context->socket, ZMQ_DONTWAIT);
    if (size >= 0) {
        const auto* data = static_cast<const uint8_t*>(zmq_msg_data(&message));
        context->message.assign(data, data + size);
        context->messageNext = 0;
    }
    zmq_msg_close(&message);
    return size >= 0;
}

aErr s_get(uint8_t* byte, void* ref) {
    ClientContext* context = s_context(ref);
    if (context == nullptr || byte == nullptr) {
        return aErrParam;
    }
    const auto deadline = Clock::now() + std::chrono::milliseconds(kReadWaitMs);
    while (context->messageNext >= context->message.size()) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0) {
            return aErrNotReady;
        }
        if (s_takeMessage(context)) {
            continue;  // an empty message hands out nothing; wait for the next
        }
        lynkor::platform::waitEitherReadable(context->readinessFd, context->readerWake.fd(),
                                             static_cast<int>(left.count()));
        context->readerWake.clear();
    }
    *byte = context->message[context->messageNext++];
    return aErrNone;
}

aErr s_write(const uint8_t* data, size_t length, void* ref) {
    ClientContext* context = s_context(ref);
    if (context == nullptr || data == nullptr) {
        return aErrParam;
    }
    for (int attempt = 0; attempt < kSendAttempts; ++attempt) {
        if (attempt > 0) {
            lynkor::platform::sleepMilliseconds(kSendRetryPauseMs);
        }
        std::lock_guard lock(context->socketLock);
        const bool sent = zmq_send(context->socket, data, length, ZMQ_DONTWAIT) >= 0;
        if (s_messageWaiting(context)) {
            context->readerWake.raise();
        }
        if (sent) {
            return aErrNone;
        }
    }
    return aErrWrite;
}

// One message per packet: a lone byte is no packet.
aErr s_put(const uint8_t*, void*) {
    return aErrUnimplemented;
}

aErr s_close(void* ref) {
    ClientContext* context = s_context(ref);
    if (context == nullptr) {
        return aErrParam;
    }
    context->check = 0;
    delete context;
    return aErrNone;
}

aErr s_connect(ClientContext* context, uint32_t ipAddress, uint16_t port) {
    const int noLinger = 0;
    const int onlyWhenConnected = 1;
    size_t size = sizeof context->readinessFd;
    if (zmq_setsockopt(context->socket, ZMQ_LINGER, &noLinger, sizeof noLinger) != 0 ||
        zmq_setsockopt(context->socket, ZMQ_IMMEDIATE, &onlyWhenConnected,
                       sizeof onlyWhenConnected) != 0 ||
        zmq_getsockopt(context->socket, ZMQ_FD, &context->readinessFd, &size) != 0 ||
        !context->readerWake.valid()) {
        return aErrMemory;
    }
    char address[INET_ADDRSTRLEN];
    in_addr host{ipAddress};
    inet_ntop(AF_INET, &host, address, sizeof address);
    char endpoint[64];
    std::snprintf(endpoint, sizeof endpoint, "tcp://%s:%d", address, port);
    if (zmq_connect(context->socket, endpoint) != 0) {
        return aErrConnection;
    }
    // With sends held back until a connection is up, writability says the server is there.
    zmq_pollitem_t item{context->socket, 0, ZMQ_POLLOUT, 0};
    return zmq_poll(&item, 1, kConnectWaitMs) == 1 ? aErrNone : aErrConnection;
}

}  // namespace

extern "C" aErr aStream_CreateClient(uint32_t ipAddress, uint16_t port, aStream** stream) {
    if (stream == nullptr) {
        return aErrParam;
    }
    *stream = nullptr;
    auto* context = new (std::nothrow) ClientContext;
    if (context == nullptr) {
        return aErrMemory;
    }
    context->messaging = zmq_ctx_new();
    context->socket =
        context->messaging != nullptr ? zmq_socket(context->messaging, ZMQ_DEALER) : nullptr;
    aErr result = context->socket != nullptr ? s_connect(context, ipAddress, port) : aErrMemory;
    if (result != aErrNone) {
        delete context;
        return result;
    }
    return lynkor::makeTransportStream(s_get, s_put, s_write, s_close, context, stream);
}
