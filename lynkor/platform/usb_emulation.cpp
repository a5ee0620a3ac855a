// The emulated USB backend: devices are sockets that a simulator serves in a directory.
#include "platform/usb_emulation.h"

#include <unistd.h>

#include <cerrno>
#include <new>

#include "platform/backend_choice.h"
#include "platform/emulation_wire.h"
#include "platform/usb.h"

namespace lynkor::platform {
namespace {

struct EmulatedDevice : UsbDevice {
    int fd = -1;
    ~EmulatedDevice() override {
        if (fd >= 0) {
            ::close(fd);
        }
    }
};

EmulatedDevice* s_device(UsbDevice* handle) {
    return static_cast<EmulatedDevice*>(handle);
}

UsbDeviceInfo s_infoOf(const EmulationAnswer& answer, const std::string& location) {
    UsbDeviceInfo info;
    info.vendorId = answer.vendorId;
    info.productId = answer.productId;
    info.serialNumber = answer.serialNumber;
    info.hasVendorInterface = answer.vendorInterface;
    info.bulkPacketSize = answer.packetSize;
    info.location = location;
    return info;
}

aErr s_listDevices(std::vector<UsbDeviceInfo>* devices) {
    const std::string directory = emulationDirectory();
    if (access(directory.c_str(), R_OK | X_OK) != 0) {
        return aErrIO;
    }
    for (const std::string& path : emulatedSockets(directory, kUsbEmulationSuffix)) {
        int fd = connectEmulated(path);
        if (fd < 0) {
            continue;  // nobody serves it: the device is not on the bus
        }
        const EmulationAnswer answer = parseEmulationAnswer(exchangeHandshake(fd, "QUERY"));
        ::close(fd);
        if (answer.status == "OK") {
            devices->push_back(s_infoOf(answer, path));
        }
    }
    return aErrNone;
}

aErr s_open(const UsbDeviceInfo& info, UsbDevice** handle) {
    int fd = connectEmulated(info.location);
    if (fd < 0) {
        return errno == ENOENT || errno == ECONNREFUSED ? aErrNotFound
               : errno == EACCES                        ? aErrPermission
                                                        : aErrIO;
    }
    auto* device = new (std::nothrow) EmulatedDevice;
    if (device == nullptr) {
        ::close(fd);
        return aErrMemory;
    }
    device->fd = fd;
    *handle = device;
    return aErrNone;
}

aErr s_claim(UsbDevice* handle) {
    const EmulationAnswer answer =
        parseEmulationAnswer(exchangeHandshake(s_device(handle)->fd, "CLAIM"));
    if (answer.status == "BUSY") {
        return aErrBusy;
    }
    if (answer.status != "OK") {
        return aErrIO;
    }
    return answer.vendorInterface ? aErrNone : aErrNotFound;
}

aErr s_bulkIn(UsbDevice* handle, uint8_t* buffer, size_t capacity, size_t* received,
              int timeoutMs) {
    return receiveEmulated(s_device(handle)->fd, buffer, capacity, received, timeoutMs);
}

aErr s_bulkOut(UsbDevice* handle, const uint8_t* data, size_t length, size_t* sent, int timeoutMs) {
    aErr result = sendEmulated(s_device(handle)->fd, data, length, timeoutMs);
    *sent = result == aErrNone ? length : 0;
    return result;
}

void s_close(UsbDevice* handle) {
    delete s_device(handle);
}

}  // namespace

const UsbBackend kUsbEmulationBackend = {"emulation", s_listDevices, s_open, s_claim,
                                         s_bulkIn,    s_bulkOut,     s_close};

}  // namespace lynkor::platform
