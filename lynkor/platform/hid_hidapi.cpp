// The real HID backend on hidapi (hidraw): as small as the calls it wraps.
#include <hidapi/hidapi.h>

#include <new>

#include "platform/hid.h"

namespace lynkor::platform {
namespace {

struct HidapiDevice : HidDevice {
    hid_device* device = nullptr;
    ~HidapiDevice() override { hid_close(device); }
};

HidapiDevice* s_device(HidDevice* handle) {
    return static_cast<HidapiDevice*>(handle);
}

// hidapi is initialised once for the process and kept to its end, as the libusb context is.
bool s_initialised() {
    static const bool initialised = hid_init() == 0;
    return initialised;
}

aErr s_open(uint16_t vendorId, uint16_t productId, HidDevice** handle) {
    if (!s_initialised()) {
        return aErrIO;
    }
    hid_device* opened = hid_open(vendorId, productId, nullptr);
    if (opened == nullptr) {
        return aErrNotFound;
    }
    auto* device = new (std::nothrow) HidapiDevice;
    if (device == nullptr) {
        hid_close(opened);
        return aErrMemory;
    }
    device->device = opened;
    *handle = device;
    return aErrNone;
}

aErr s_write(HidDevice* handle, const uint8_t* report, size_t length) {
    return hid_write(s_device(handle)->device, report, length) < 0 ? aErrIO : aErrNone;
}

aErr s_read(HidDevice* handle, uint8_t* buffer, size_t capacity, size_t* received, int timeoutMs) {
    *received = 0;
    int got = hid_read_timeout(s_device(handle)->device, buffer, capacity, timeoutMs);
    if (got < 0) {
        return aErrIO;
    }
    *received = static_cast<size_t>(got);
    return got == 0 ? aErrTimeout : aErrNone;
}

void s_close(HidDevice* handle) {
    delete s_device(handle);
}

}  // namespace

const HidBackend kHidapiBackend = {"hidapi", s_open, s_write, s_read, s_close};

}  // namespace lynkor::platform
