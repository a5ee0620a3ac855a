// USB stream: the vendor interface's bulk pipes of the device with a given serial number.
#include <algorithm>
#include <new>
#include <vector>

#include "platform/usb.h"
#include "stream/stream_record.h"
#include "stream/usb_identity.h"

namespace {

using lynkor::platform::UsbBackend;
using lynkor::platform::UsbDevice;
using lynkor::platform::UsbDeviceInfo;

constexpr uint16_t kUsbContextCheck = 0xDEAD;
// A bulk IN waits at most this long before the reader hears "nothing yet". The reader notices a
// stop, or a request to bring the link in step, only between reads, so a long wait here is what
// opening and closing a USB link would cost; at this length an idle link wakes twenty times a
// second, a few microseconds of processor time each.
constexpr int kReadSliceMs = 50;
// How long one bulk OUT may wait for the device; each wait that runs out counts one attempt.
constexpr int kWriteTimeoutMs = 1000;
constexpr int kWriteAttempts = 10;
// A transfer that ends on a full high-speed packet would need a zero-length packet to end it,
// which the devices do not expect; such chunks go out one byte short.
constexpr size_t kHighSpeedPacket = 512;

struct UsbContext {
    uint16_t check = kUsbContextCheck;
    const UsbBackend* backend = nullptr;
    UsbDevice* device = nullptr;
    size_t packetSize = 0;
    // Belongs to the reading side alone: the last IN transfer and how much of it is used.
    std::vector<uint8_t> input;
    size_t inputCount = 0;
    size_t inputNext = 0;
};

UsbContext* s_context(void* ref) {
    auto* context = static_cast<UsbContext*>(ref);
    return context != nullptr && context->check == kUsbContextCheck && context->device != nullptr
               ? context
               : nullptr;
}

aErr s_get(uint8_t* byte, void* ref) {
    UsbContext* context = s_context(ref);
    if (context == nullptr || byte == nullptr) {
        return aErrParam;
    }
    if (context->inputNext >= context->inputCount) {
        size_t received = 0;
        aErr result = context->backend->bulkIn(context->device, context->input.data(),
                                               context->input.size(), &received, kReadSliceMs);
        if (result == aErrTimeout || (result == aErrNone && received == 0)) {
            return aErrNotReady;
        }
        if (result != aErrNone) {
            return aErrIO;
        }
        context->inputCount = received;
        context->inputNext = 0;
    }
    *byte = context->input[context->inputNext++];
    return aErrNone;
}

aErr s_write(const uint8_t* data, size_t length, void* ref) {
    UsbContext* context = s_context(ref);
    if (context == nullptr || data == nullptr) {
        return aErrParam;
    }
    size_t done = 0;
    int attempts = 0;
    while (done < length) {
        size_t chunk = std::min(length - done, context->packetSize);
        if (chunk == kHighSpeedPacket) {
            chunk = kHighSpeedPacket - 1;
        }
        // A chunk is repeated until all of it went out.
        size_t chunkDone = 0;
        while (chunkDone < chunk) {
            if (attempts >= kWriteAttempts) {
                return aErrWrite;
            }
            size_t sent = 0;
            aErr result = context->backend->bulkOut(context->device, data + done + chunkDone,
                                                    chunk - chunkDone, &sent, kWriteTimeoutMs);
            chunkDone += sent;
            if (result == aErrTimeout) {
                ++attempts;
            } else if (result != aErrNone) {
                return aErrIO;
            }
        }
        done += chunk;
    }
    return aErrNone;
}

aErr s_put(const uint8_t* byte, void* ref) {
    return s_write(byte, 1, ref);
}

aErr s_close(void* ref) {
    UsbContext* context = s_context(ref);
    if (context == nullptr) {
        return aErrParam;
    }
    context->backend->close(context->device);
    context->check = 0;
    delete context;
    return aErrNone;
}

// The first of our devices that reports this serial number.
bool s_find(const UsbBackend& backend, uint32_t deviceId, UsbDeviceInfo* found) {
    std::vector<UsbDeviceInfo> devices;
    if (backend.listDevices(&devices) != aErrNone) {
        return false;
    }
    for (const UsbDeviceInfo& device : devices) {
        uint32_t serialNumber = 0;
        if (lynkor::isLynkorUsbDevice(device) &&
            lynkor::usbSerialNumber(device.serialNumber, &serialNumber) &&
            serialNumber == deviceId) {
            *found = device;
            return true;
        }
    }
    return false;
}

}  // namespace

extern "C" aErr aStream_CreateUSB(uint32_t deviceId, aStream** stream) {
    if (stream == nullptr) {
        return aErrParam;
    }
    *stream = nullptr;
    const UsbBackend& backend = lynkor::platform::usbBackend();
    UsbDeviceInfo info;
    if (!s_find(backend, deviceId, &info)) {
        return aErrNotFound;
    }
    if (info.bulkPacketSize == 0) {
        return aErrInitialization;
    }
    UsbDevice* device = nullptr;
    aErr opened = backend.open(info, &device);
    if (opened != aErrNone) {
        return opened == aErrPermission ? aErrPermission : aErrNotFound;
    }
    aErr claimed = backend.claim(device);
    if (claimed != aErrNone) {
        backend.close(device);
        return claimed == aErrBusy ? aErrBusy : aErrInitialization;
    }
    auto* context = new (std::nothrow) UsbContext;
    if (context == nullptr) {
        backend.close(device);
        return aErrMemory;
    }
    context->backend = &backend;
    context->device = device;
    context->packetSize = info.bulkPacketSize;
    context->input.resize(info.bulkPacketSize);
    return lynkor::makeTransportStream(s_get, s_put, s_write, s_close, context, stream);
}
