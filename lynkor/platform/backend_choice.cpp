#include "platform/backend_choice.h"

#include <cstdlib>
#include <mutex>
#include <optional>

#include "lynkor/aEmulation.h"
#include "platform/hid.h"
#include "platform/usb.h"

namespace lynkor::platform {
namespace {

std::mutex s_choiceMutex;
std::optional<std::string> s_chosenDirectory;

}  // namespace

std::string emulationDirectory() {
    std::lock_guard lock(s_choiceMutex);
    if (!s_chosenDirectory) {
        const char* fromEnvironment = std::getenv(kUsbEmulationVariable);
        s_chosenDirectory = fromEnvironment != nullptr ? fromEnvironment : "";
    }
    return *s_chosenDirectory;
}

const UsbBackend& usbBackend() {
    return emulationDirectory().empty() ? kLibusbBackend : kUsbEmulationBackend;
}

const HidBackend& hidBackend() {
    return emulationDirectory().empty() ? kHidapiBackend : kHidEmulationBackend;
}

}  // namespace lynkor::platform

extern "C" aErr aEmulation_Select(const char* directory) {
    std::lock_guard lock(lynkor::platform::s_choiceMutex);
    lynkor::platform::s_chosenDirectory = directory != nullptr ? directory : "";
    return aErrNone;
}
