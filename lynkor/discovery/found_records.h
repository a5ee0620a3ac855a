// Hands discovered records to the caller's callback and counts those it marks found.
#pragma once

#include <cstdint>

#include "lynkor/aDiscovery.h"

namespace lynkor::discovery {

class FoundRecords {
public:
    FoundRecords(aDiscoveryModuleFoundProc callback, void* user)
        : callback_(callback), user_(user) {}

    // False when the callback asks to stop the enumeration.
    bool offer(const linkSpec& spec) {
        bool found = false;
        const bool more = callback_(&spec, &found, user_);
        // Saturate rather than wrap: a count wrapped to 0 would read as "nothing found".
        if (found && count_ < UINT8_MAX) {
            ++count_;
        }
        return more;
    }

    uint8_t count() const { return count_; }

private:
    aDiscoveryModuleFoundProc callback_;
    void* user_;
    uint8_t count_ = 0;
};

// 0 and 127.0.0.1 both mean that no particular interface is wanted.
bool isAnyInterface(uint32_t networkInterface);

uint8_t enumerateUsbModules(FoundRecords& records);
uint8_t enumerateNetworkModules(FoundRecords& records, uint32_t networkInterface);
uint8_t enumerateBeaconModules(FoundRecords& records, uint32_t networkInterface);

}  // namespace lynkor::discovery
