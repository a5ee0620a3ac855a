#include "lynkor/aPacketLog.h"

#include <cstdlib>

namespace {

constexpr uint32_t s_headerSize = 2;

// 64-bit: size + tail can pass 32 bits for a ring of more than 2 GiB.
uint32_t s_used(const aPacketLog* log) {
    return static_cast<uint32_t>((uint64_t{log->size} + log->tail - log->head) % log->size);
}

uint32_t s_advance(const aPacketLog* log, uint32_t position, uint32_t by) {
    return static_cast<uint32_t>((uint64_t{position} + by) % log->size);
}

uint8_t s_byteAt(const aPacketLog* log, uint32_t position) {
    return log->data[position % log->size];
}

void s_dropOldest(aPacketLog* log) {
    const uint8_t length = s_byteAt(log, log->head + 1);
    log->head = s_advance(log, log->head, s_headerSize + length);
}

}  // namespace

extern "C" {

aPacketLog* aPacketLog_Create(uint32_t size) {
    // A ring of no bytes has no positions to wrap over.
    if (size == 0) {
        return nullptr;
    }
    auto* log = static_cast<aPacketLog*>(std::calloc(1, sizeof(aPacketLog)));
    if (log == nullptr) {
        return nullptr;
    }
    log->data = static_cast<uint8_t*>(std::calloc(size, 1));
    if (log->data == nullptr) {
        std::free(log);
        return nullptr;
    }
    log->size = size;
    return log;
}

aErr aPacketLog_Destroy(aPacketLog** log) {
    if (log == nullptr || *log == nullptr) {
        return aErrNone;
    }
    (*log)->enabled = 0;
    std::free((*log)->data);
    std::free(*log);
    *log = nullptr;
    return aErrNone;
}

aErr aPacketLog_Put(aPacketLog* log, uint8_t mark, uint8_t length, const uint8_t* payload) {
    if (log == nullptr || log->data == nullptr || (payload == nullptr && length > 0)) {
        return aErrParam;
    }
    const uint32_t needed = s_headerSize + length;
    // One byte always stays free, so that a full ring differs from an empty one.
    if (needed >= log->size) {
        return aErrOverrun;
    }
    while (log->size - s_used(log) <= needed) {
        s_dropOldest(log);
    }
    uint32_t position = log->tail;
    log->data[position] = mark;
    position = s_advance(log, position, 1);
    log->data[position] = length;
    position = s_advance(log, position, 1);
    for (uint32_t i = 0; i < length; ++i) {
        log->data[position] = payload[i];
        position = s_advance(log, position, 1);
    }
    log->tail = position;
    return aErrNone;
}

aErr aPacketLog_Get(aPacketLog* log, uint8_t* mark, uint32_t* length, uint8_t* buffer) {
    if (log == nullptr || log->data == nullptr || mark == nullptr || length == nullptr) {
        return aErrParam;
    }
    if (log->head == log->tail) {
        return aErrNotFound;
    }
    const uint32_t capacity = *length;
    const uint8_t recordLength = s_byteAt(log, log->head + 1);
    *mark = log->data[log->head];
    *length = recordLength;
    if (recordLength > capacity) {
        return aErrOverrun;
    }
    if (buffer == nullptr && recordLength > 0) {
        return aErrParam;
    }
    uint32_t position = s_advance(log, log->head, s_headerSize);
    for (uint32_t i = 0; i < recordLength; ++i) {
        buffer[i] = log->data[position];
        position = s_advance(log, position, 1);
    }
    log->head = position;
    return aErrNone;
}
}
