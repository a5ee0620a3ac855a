#pragma once

// The lowest HID layer: open a device by vendor and product, write a report, read a report with
// a time-out, close; as one table of operations. Two backends fill it: hidapi (hidraw) for real
// devices, and an emulation served by a simulator in the emulated bus directory (see
// hid_emulation.h). The process's choice of bus selects one (backend_choice.h).
#include <cstddef>
#include <cstdint>

#include "lynkor/aError.h"

namespace lynkor::platform {

// A backend's open device; each backend keeps its own state in a type derived from this.
struct HidDevice {
    virtual ~HidDevice() = default;
};

struct HidBackend {
    const char* name;
    // Opens the first device with these identifiers. aErrNotFound when none is there, aErrBusy
    // when another host holds it, aErrIO otherwise.
    aErr (*open)(uint16_t vendorId, uint16_t productId, HidDevice** handle);
    // Sends one output report; its first byte is the report ID. aErrIO when the device has gone
    // or did not take it.
    aErr (*write)(HidDevice* handle, const uint8_t* report, size_t length);
    // One input report of at most `capacity` bytes, report ID first, waiting at most
    // `timeoutMs`. aErrTimeout when none came; aErrIO when the device has gone.
    aErr (*read)(HidDevice* handle, uint8_t* buffer, size_t capacity, size_t* received,
                 int timeoutMs);
    // Closes the device and frees the handle.
    void (*close)(HidDevice* handle);
};

// The backend of the process's choice of bus.
const HidBackend& hidBackend();

extern const HidBackend kHidapiBackend;
extern const HidBackend kHidEmulationBackend;

}  // namespace lynkor::platform
