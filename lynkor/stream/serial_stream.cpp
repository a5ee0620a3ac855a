// Serial port stream: bytes as they come, in raw mode.
#include <new>

#include "stream/serial_line.h"
#include "stream/stream_record.h"

namespace {

constexpr uint16_t kSerialContextCheck = 0xDEEF;

struct SerialContext {
    uint16_t check = kSerialContextCheck;
    lynkor::SerialLine line;
};

SerialContext* s_context(void* ref) {
    auto* context = static_cast<SerialContext*>(ref);
    return context != nullptr && context->check == kSerialContextCheck ? context : nullptr;
}

aErr s_get(uint8_t* byte, void* ref) {
    SerialContext* context = s_context(ref);
    if (context == nullptr || byte == nullptr) {
        return aErrParam;
    }
    return context->line.get(byte);
}

aErr s_write(const uint8_t* data, size_t length, void* ref) {
    SerialContext* context = s_context(ref);
    if (context == nullptr || data == nullptr) {
        return aErrParam;
    }
    return context->line.write(data, length);
}

aErr s_put(const uint8_t* byte, void* ref) {
    return s_write(byte, 1, ref);
}

aErr s_close(void* ref) {
    SerialContext* context = s_context(ref);
    if (context == nullptr) {
        return aErrParam;
    }
    aErr result = context->line.close();
    context->check = 0;
    delete context;
    return result;
}

}  // namespace

extern "C" aErr aStream_CreateSerial(const char* portName, uint32_t baudIndex, uint32_t parity,
                                     uint32_t sevenDataBits, uint32_t twoStopBits,
                                     aStream** stream) {
    if (stream == nullptr) {
        return aErrParam;
    }
    *stream = nullptr;
    auto* context = new (std::nothrow) SerialContext;
    if (context == nullptr) {
        return aErrMemory;
    }
    aErr result = context->line.open(portName, baudIndex, parity, sevenDataBits, twoStopBits);
    if (result != aErrNone) {
        delete context;
        return result;
    }
    return lynkor::makeTransportStream(s_get, s_put, s_write, s_close, context, stream);
}
