#pragma once

// The lowest USB layer: the few calls the USB stream and USB discovery need, as one table of
// operations. Two backends fill it: libusb-1.0 for real devices, and an emulation in which a
// simulator serves devices as sockets in a directory (see usb_emulation.h). The environment
// variable LYNKOR_USB_EMULATION=<directory>, or aEmulation_Select, selects the emulation for the
// whole process (backend_choice.h); nothing above this table knows which backend runs.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "lynkor/aError.h"

namespace lynkor::platform {

// What enumeration reads from a device, without claiming it.
struct UsbDeviceInfo {
    uint16_t vendorId = 0;
    uint16_t productId = 0;
    std::string serialNumber;         // the serial-number string descriptor, as the device has it
    bool hasVendorInterface = false;  // class 0xFF, subclass 0x88, protocol 0x10
    uint16_t bulkPacketSize = 0;      // max packet size of the vendor interface's bulk pipes
    std::string location;             // where the backend finds the device again
};

// A backend's open device; each backend keeps its own state in a type derived from this.
struct UsbDevice {
    virtual ~UsbDevice() = default;
};

struct UsbBackend {
    const char* name;
    // Lists the devices present now; those whose descriptors cannot be read are left out.
    // aErrIO when the bus cannot be enumerated at all.
    aErr (*listDevices)(std::vector<UsbDeviceInfo>* devices);
    // Opens a listed device. aErrNotFound when it has gone, aErrPermission when access is
    // denied, aErrIO otherwise.
    aErr (*open)(const UsbDeviceInfo& device, UsbDevice** handle);
    // Claims the vendor interface. aErrBusy when another process holds it, aErrNotFound when
    // the device has no vendor interface, aErrIO otherwise.
    aErr (*claim)(UsbDevice* handle);
    // One bulk IN transfer of at most `capacity` bytes (give it a whole packet), waiting at most
    // `timeoutMs`. aErrTimeout when nothing came; aErrIO when the device has gone.
    aErr (*bulkIn)(UsbDevice* handle, uint8_t* buffer, size_t capacity, size_t* received,
                   int timeoutMs);
    // One bulk OUT transfer; *sent gets the count that went out. aErrTimeout when the device
    // did not take all of it in time; aErrIO when the device has gone.
    aErr (*bulkOut)(UsbDevice* handle, const uint8_t* data, size_t length, size_t* sent,
                    int timeoutMs);
    // Releases the interface when claimed, closes the device and frees the handle.
    void (*close)(UsbDevice* handle);
};

// The backend of the process's choice of bus.
const UsbBackend& usbBackend();

extern const UsbBackend kLibusbBackend;
extern const UsbBackend kUsbEmulationBackend;

}  // namespace lynkor::platform
