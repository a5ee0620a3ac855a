// Packetized serial stream: a serial line on which every packet travels as one framed,
// checksummed block, so that noise costs a packet, never the packets after it.
#include <cstring>
#include <new>
#include <optional>
#include <span>

#include "lynkor/aPacket.h"
#include "stream/serial_framing.h"
#include "stream/serial_line.h"
#include "stream/stream_record.h"

namespace {

namespace framing = lynkor::framing;

constexpr uint16_t kPacketizedContextCheck = 0xC0B5;
static_assert(framing::kMaxPlainFrame - 1 == aPACKET_MAX_WIRE_SIZE,
              "a frame's packet fits the packet being handed out");

struct PacketizedContext {
    uint16_t check = kPacketizedContextCheck;
    lynkor::SerialLine line;
    // The reading side: the frame being received and the decoded packet being handed out.
    uint8_t frame[framing::kMaxEncodedFrame]{};
    size_t frameLength = 0;
    bool frameOverlong = false;
    uint8_t packet[aPACKET_MAX_WIRE_SIZE]{};
    size_t packetLength = 0;
    size_t packetNext = 0;
    // The writing side: the packet being assembled from the bytes handed to `write`.
    aPacket outgoing{};
};

PacketizedContext* s_context(void* ref) {
    auto* context = static_cast<PacketizedContext*>(ref);
    return context != nullptr && context->check == kPacketizedContextCheck ? context : nullptr;
}

// Decodes the frame just ended. aErrNone when it held a good packet, now waiting to be read.
aErr s_acceptFrame(PacketizedContext* context) {
    const std::optional<framing::FramedPacket> packet =
        context->frameOverlong
            ? std::nullopt
            : framing::decodeFrame(std::span(context->frame, context->frameLength));
    context->frameLength = 0;
    context->frameOverlong = false;
    if (!packet) {
        return aErrPacket;
    }
    std::memcpy(context->packet, packet->bytes.data(), packet->length);
    context->packetLength = packet->length;
    context->packetNext = 0;
    return aErrNone;
}

aErr s_get(uint8_t* byte, void* ref) {
    PacketizedContext* context = s_context(ref);
    if (context == nullptr || byte == nullptr) {
        return aErrParam;
    }
    // Take in every byte that has arrived until a frame ends, so that a packet costs one call
    // and not one per byte; but read the line only once per call, so that a line that never
    // stops sending cannot hold the caller here.
    bool mayRead = true;
    while (context->packetNext >= context->packetLength) {
        if (!context->line.hasBuffered()) {
            if (!mayRead) {
                return aErrNotReady;
            }
            mayRead = false;
        }
        uint8_t received = 0;
        aErr result = context->line.get(&received);
        if (result == aErrIO) {
            return aErrIO;
        }
        if (result != aErrNone) {
            return aErrNotReady;
        }
        if (received != framing::kFrameEnd) {
            if (context->frameLength < framing::kMaxEncodedFrame) {
                context->frame[context->frameLength++] = received;
            } else {
                context->frameOverlong = true;
            }
            continue;
        }
        if (context->frameLength == 0 && !context->frameOverlong) {
            continue;
        }
        result = s_acceptFrame(context);
        if (result != aErrNone) {
            return result;
        }
    }
    *byte = context->packet[context->packetNext++];
    return aErrNone;
}

aErr s_sendPacket(PacketizedContext* context) {
    uint8_t plain[framing::kMaxPlainFrame];
    size_t length = 0;
    aPacket_GetBytes(&context->outgoing, plain, sizeof plain, &length);
    plain[length] = framing::crc8Maxim(plain, length);
    uint8_t frame[framing::kMaxEncodedFrame + 1];
    size_t encoded = framing::cobsEncode(plain, length + 1, frame);
    frame[encoded++] = framing::kFrameEnd;
    return context->line.write(frame, encoded);
}

aErr s_write(const uint8_t* data, size_t length, void* ref) {
    PacketizedContext* context = s_context(ref);
    if (context == nullptr || data == nullptr) {
        return aErrParam;
    }
    aErr result = aErrNone;
    for (size_t i = 0; i < length; ++i) {
        if (aPacket_AddByte(&context->outgoing, data[i]) != aErrNone) {
            // A byte that cannot belong to a packet would wedge the assembler; start afresh.
            aPacket_Reset(&context->outgoing);
            continue;
        }
        if (aPacket_IsComplete(&context->outgoing)) {
            aErr sent = s_sendPacket(context);
            if (sent != aErrNone) {
                result = sent;
            }
            aPacket_Reset(&context->outgoing);
        }
    }
    return result;
}

aErr s_put(const uint8_t* byte, void* ref) {
    PacketizedContext* context = s_context(ref);
    if (context == nullptr || byte == nullptr) {
        return aErrParam;
    }
    return context->line.write(byte, 1);
}

aErr s_close(void* ref) {
    PacketizedContext* context = s_context(ref);
    if (context == nullptr) {
        return aErrParam;
    }
    aErr result = context->line.close();
    context->check = 0;
    delete context;
    return result;
}

}  // namespace

extern "C" aErr aStream_CreateSerial_Packetized(const char* portName, uint32_t baudIndex,
                                                uint32_t parity, uint32_t sevenDataBits,
                                                uint32_t twoStopBits, aStream** stream) {
    if (stream == nullptr) {
        return aErrParam;
    }
    *stream = nullptr;
    auto* context = new (std::nothrow) PacketizedContext;
    if (context == nullptr) {
        return aErrMemory;
    }
    context->outgoing.check = aPACKET_CHECK;
    aErr result = context->line.open(portName, baudIndex, parity, sevenDataBits, twoStopBits);
    if (result != aErrNone) {
        delete context;
        return result;
    }
    return lynkor::makeTransportStream(s_get, s_put, s_write, s_close, context, stream);
}
