// The real USB backend on libusb-1.0: as small as the calls it wraps.
#include <libusb-1.0/libusb.h>

#include <cstdio>
#include <new>

#include "platform/usb.h"

namespace lynkor::platform {
namespace {

constexpr uint8_t kVendorClass = 0xFF;
constexpr uint8_t kVendorSubclass = 0x88;
constexpr uint8_t kVendorProtocol = 0x10;
constexpr size_t kSerialStringSize = 128;

struct VendorInterface {
    int number = -1;
    uint8_t inEndpoint = 0;
    uint8_t outEndpoint = 0;
    uint16_t packetSize = 0;
};

struct LibusbDevice : UsbDevice {
    libusb_device_handle* handle = nullptr;
    VendorInterface vendor;
    bool claimed = false;
    ~LibusbDevice() override {
        if (claimed) {
            libusb_release_interface(handle, vendor.number);
        }
        libusb_close(handle);
    }
};

LibusbDevice* s_device(UsbDevice* handle) {
    return static_cast<LibusbDevice*>(handle);
}

// One context for the process, made on first use and kept to its end.
libusb_context* s_context() {
    static libusb_context* context = [] {
        libusb_context* made = nullptr;
        return libusb_init(&made) == 0 ? made : nullptr;
    }();
    return context;
}

std::string s_location(libusb_device* device) {
    char text[16];
    std::snprintf(text, sizeof text, "%u-%u", libusb_get_bus_number(device),
                  libusb_get_device_address(device));
    return text;
}

// The vendor interface (alternate setting 0) and its bulk pipes, from the active configuration.
bool s_findVendorInterface(libusb_device* device, VendorInterface* found) {
    libusb_config_descriptor* config = nullptr;
    if (libusb_get_active_config_descriptor(device, &config) != 0 &&
        libusb_get_config_descriptor(device, 0, &config) != 0) {
        return false;
    }
    for (int i = 0; i < config->bNumInterfaces && found->number < 0; ++i) {
        const libusb_interface& interface = config->interface[i];
        if (interface.num_altsetting < 1) {
            continue;
        }
        const libusb_interface_descriptor& setting = interface.altsetting[0];
        if (setting.bInterfaceClass != kVendorClass ||
            setting.bInterfaceSubClass != kVendorSubclass ||
            setting.bInterfaceProtocol != kVendorProtocol) {
            continue;
        }
        found->number = setting.bInterfaceNumber;
        for (int e = 0; e < setting.bNumEndpoints; ++e) {
            const libusb_endpoint_descriptor& endpoint = setting.endpoint[e];
            if ((endpoint.bmAttributes & LIBUSB_TRANSFER_TYPE_MASK) != LIBUSB_TRANSFER_TYPE_BULK) {
                continue;
            }
            if ((endpoint.bEndpointAddress & LIBUSB_ENDPOINT_IN) != 0) {
                found->inEndpoint = endpoint.bEndpointAddress;
                found->packetSize = endpoint.wMaxPacketSize;
            } else {
                found->outEndpoint = endpoint.bEndpointAddress;
            }
        }
    }
    libusb_free_config_descriptor(config);
    return found->number >= 0 && found->inEndpoint != 0 && found->outEndpoint != 0;
}

aErr s_errorOf(int code) {
    switch (code) {
        case LIBUSB_ERROR_ACCESS:
            return aErrPermission;
        case LIBUSB_ERROR_NO_DEVICE:
        case LIBUSB_ERROR_NOT_FOUND:
            return aErrNotFound;
        case LIBUSB_ERROR_BUSY:
            return aErrBusy;
        case LIBUSB_ERROR_TIMEOUT:
            return aErrTimeout;
        default:
            return aErrIO;
    }
}

aErr s_listDevices(std::vector<UsbDeviceInfo>* devices) {
    libusb_device** list = nullptr;
    if (s_context() == nullptr || libusb_get_device_list(s_context(), &list) < 0) {
        return aErrIO;
    }
    for (libusb_device** entry = list; *entry != nullptr; ++entry) {
        libusb_device_descriptor descriptor{};
        if (libusb_get_device_descriptor(*entry, &descriptor) != 0) {
            continue;
        }
        UsbDeviceInfo info;
        info.vendorId = descriptor.idVendor;
        info.productId = descriptor.idProduct;
        info.location = s_location(*entry);
        VendorInterface vendor;
        info.hasVendorInterface = s_findVendorInterface(*entry, &vendor);
        info.bulkPacketSize = vendor.packetSize;
        libusb_device_handle* handle = nullptr;
        // The serial-number string needs the device open; one we may not open keeps it empty.
        if (descriptor.iSerialNumber != 0 && libusb_open(*entry, &handle) == 0) {
            unsigned char serial[kSerialStringSize];
            int length = libusb_get_string_descriptor_ascii(handle, descriptor.iSerialNumber,
                                                            serial, sizeof serial);
            if (length > 0) {
                info.serialNumber.assign(reinterpret_cast<char*>(serial),
                                         static_cast<size_t>(length));
            }
            libusb_close(handle);
        }
        devices->push_back(info);
    }
    libusb_free_device_list(list, 1);
    return aErrNone;
}

aErr s_open(const UsbDeviceInfo& info, UsbDevice** handle) {
    libusb_device** list = nullptr;
    if (s_context() == nullptr || libusb_get_device_list(s_context(), &list) < 0) {
        return aErrIO;
    }
    aErr result = aErrNotFound;
    for (libusb_device** entry = list; *entry != nullptr; ++entry) {
        if (s_location(*entry) != info.location) {
            continue;
        }
        auto* device = new (std::nothrow) LibusbDevice;
        if (device == nullptr) {
            result = aErrMemory;
            break;
        }
        s_findVendorInterface(*entry, &device->vendor);
        int opened = libusb_open(*entry, &device->handle);
        if (opened != 0) {
            device->handle = nullptr;
            delete device;
            result = s_errorOf(opened);
            break;
        }
        *handle = device;
        result = aErrNone;
        break;
    }
    libusb_free_device_list(list, 1);
    return result;
}

aErr s_claim(UsbDevice* handle) {
    LibusbDevice* device = s_device(handle);
    if (device->vendor.number < 0) {
        return aErrNotFound;
    }
    libusb_set_auto_detach_kernel_driver(device->handle, 1);
    int claimed = libusb_claim_interface(device->handle, device->vendor.number);
    if (claimed != 0) {
        return s_errorOf(claimed);
    }
    device->claimed = true;
    // Start from clean pipes, in case an earlier host left them stalled.
    libusb_clear_halt(device->handle, device->vendor.inEndpoint);
    libusb_clear_halt(device->handle, device->vendor.outEndpoint);
    return aErrNone;
}

aErr s_transfer(LibusbDevice* device, uint8_t endpoint, uint8_t* data, size_t length, size_t* moved,
                int timeoutMs) {
    int count = 0;
    int result = libusb_bulk_transfer(device->handle, endpoint, data, static_cast<int>(length),
                                      &count, static_cast<unsigned>(timeoutMs));
    *moved = static_cast<size_t>(count);
    if (result == LIBUSB_ERROR_PIPE) {
        // A stalled pipe is cleared and the transfer counts as not done yet.
        libusb_clear_halt(device->handle, endpoint);
        return aErrTimeout;
    }
    if (result == LIBUSB_ERROR_TIMEOUT && count > 0 && (endpoint & LIBUSB_ENDPOINT_IN) != 0) {
        return aErrNone;
    }
    return result == 0 ? aErrNone : s_errorOf(result) == aErrTimeout ? aErrTimeout : aErrIO;
}

aErr s_bulkIn(UsbDevice* handle, uint8_t* buffer, size_t capacity, size_t* received,
              int timeoutMs) {
    LibusbDevice* device = s_device(handle);
    return s_transfer(device, device->vendor.inEndpoint, buffer, capacity, received, timeoutMs);
}

aErr s_bulkOut(UsbDevice* handle, const uint8_t* data, size_t length, size_t* sent, int timeoutMs) {
    LibusbDevice* device = s_device(handle);
    // libusb takes a mutable buffer for both directions; an OUT transfer only reads it.
    return s_transfer(device, device->vendor.outEndpoint, const_cast<uint8_t*>(data), length, sent,
                      timeoutMs);
}

void s_close(UsbDevice* handle) {
    delete s_device(handle);
}

}  // namespace

const UsbBackend kLibusbBackend = {"libusb", s_listDevices, s_open, s_claim,
                                   s_bulkIn, s_bulkOut,     s_close};

}  // namespace lynkor::platform
