// The emulated HID backend: devices are sockets that a simulator serves in a directory.
#include "platform/hid_emulation.h"

#include <unistd.h>

#include <new>

#include "platform/backend_choice.h"
#include "platform/emulation_wire.h"
#include "platform/hid.h"

namespace lynkor::platform {
namespace {

// A device takes a report at once; this only bounds a simulator that stopped reading.
constexpr int kReportWriteTimeoutMs = 1000;

struct EmulatedHidDevice : HidDevice {
    int fd = -1;
    ~EmulatedHidDevice() override { ::close(fd); }
};

EmulatedHidDevice* s_device(HidDevice* handle) {
    return static_cast<EmulatedHidDevice*>(handle);
}

bool s_matches(const std::string& path, uint16_t vendorId, uint16_t productId) {
    int fd = connectEmulated(path);
    if (fd < 0) {
        return false;
    }
    const EmulationAnswer answer = parseEmulationAnswer(exchangeHandshake(fd, "QUERY"));
    ::close(fd);
    return answer.status == "OK" && answer.vendorId == vendorId && answer.productId == productId;
}

aErr s_open(uint16_t vendorId, uint16_t productId, HidDevice** handle) {
    for (const std::string& path : emulatedSockets(emulationDirectory(), kHidEmulationSuffix)) {
        if (!s_matches(path, vendorId, productId)) {
            continue;
        }
        int fd = connectEmulated(path);
        const EmulationAnswer answer =
            parseEmulationAnswer(fd >= 0 ? exchangeHandshake(fd, "CLAIM") : std::string());
        if (answer.status != "OK") {
            if (fd >= 0) {
                ::close(fd);
            }
            return answer.status == "BUSY" ? aErrBusy : aErrIO;
        }
        auto* device = new (std::nothrow) EmulatedHidDevice;
        if (device == nullptr) {
            ::close(fd);
            return aErrMemory;
        }
        device->fd = fd;
        *handle = device;
        return aErrNone;
    }
    return aErrNotFound;
}

aErr s_write(HidDevice* handle, const uint8_t* report, size_t length) {
    // A report the device does not take in time is as lost as one to a device that has gone.
    return sendEmulated(s_device(handle)->fd, report, length, kReportWriteTimeoutMs) == aErrNone
               ? aErrNone
               : aErrIO;
}

aErr s_read(HidDevice* handle, uint8_t* buffer, size_t capacity, size_t* received, int timeoutMs) {
    return receiveEmulated(s_device(handle)->fd, buffer, capacity, received, timeoutMs);
}

void s_close(HidDevice* handle) {
    delete s_device(handle);
}

}  // namespace

const HidBackend kHidEmulationBackend = {"emulation", s_open, s_write, s_read, s_close};

}  // namespace lynkor::platform
