// The flat aHid functions over the process's HID backend.
#include <climits>
#include <new>

#include "lynkor/aHid.h"
#include "platform/hid.h"

using lynkor::platform::HidBackend;
using lynkor::platform::HidDevice;

struct aHid {
    uint16_t check = aHID_CHECK;
    const HidBackend* backend = nullptr;
    HidDevice* device = nullptr;
};

namespace {

bool s_valid(const aHid* hid) {
    return hid != nullptr && hid->check == aHID_CHECK;
}

}  // namespace

extern "C" aErr aHid_Open(uint16_t vendorId, uint16_t productId, aHid** device) {
    if (device == nullptr) {
        return aErrParam;
    }
    *device = nullptr;
    const HidBackend& backend = lynkor::platform::hidBackend();
    HidDevice* opened = nullptr;
    aErr result = backend.open(vendorId, productId, &opened);
    if (result != aErrNone) {
        return result;
    }
    auto* hid = new (std::nothrow) aHid;
    if (hid == nullptr) {
        backend.close(opened);
        return aErrMemory;
    }
    hid->backend = &backend;
    hid->device = opened;
    *device = hid;
    return aErrNone;
}

extern "C" aErr aHid_Write(aHid* device, const uint8_t* report, size_t length) {
    if (!s_valid(device) || report == nullptr || length == 0) {
        return aErrParam;
    }
    return device->backend->write(device->device, report, length);
}

extern "C" aErr aHid_Read(aHid* device, uint8_t* buffer, size_t capacity, size_t* received,
                          uint32_t timeoutMs) {
    if (!s_valid(device) || buffer == nullptr || capacity == 0 || received == nullptr ||
        timeoutMs > INT_MAX) {
        return aErrParam;
    }
    return device->backend->read(device->device, buffer, capacity, received,
                                 static_cast<int>(timeoutMs));
}

extern "C" aErr aHid_Destroy(aHid** device) {
    if (device == nullptr) {
        return aErrParam;
    }
    aHid* hid = *device;
    *device = nullptr;
    if (!s_valid(hid)) {
        return aErrParam;
    }
    hid->backend->close(hid->device);
    hid->check = 0;
    delete hid;
    return aErrNone;
}
