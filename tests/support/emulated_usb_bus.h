#pragma once

// For the tests that link the library: an emulated USB bus of their own.
#include <string>

#include "lynkor/aEmulation.h"
#include "support/temp_dir.h"

namespace testing_support {

// A fresh emulated USB bus; the library of this process looks there, instead of at the machine's
// bus, while the object lives. Simulators serve their devices in path().
class EmulatedUsbBus {
public:
    EmulatedUsbBus() { aEmulation_Select(directory_.path().c_str()); }
    ~EmulatedUsbBus() { aEmulation_Select(nullptr); }
    EmulatedUsbBus(const EmulatedUsbBus&) = delete;
    EmulatedUsbBus& operator=(const EmulatedUsbBus&) = delete;

    const std::string& path() const { return directory_.path(); }

private:
    TempDir directory_;
};

}  // namespace testing_support
