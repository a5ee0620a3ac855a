#include <cstdlib>

#include "platform/usb.h"
#include "platform/usb_emulation.h"

namespace lynkor::platform {

const UsbBackend& usbBackend() {
    const char* directory = std::getenv(kUsbEmulationVariable);
    return directory != nullptr && *directory != '\0' ? kUsbEmulationBackend : kLibusbBackend;
}

}  // namespace lynkor::platform
