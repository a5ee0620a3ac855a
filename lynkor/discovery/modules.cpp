// The entry points: enumeration by link type, and finding one device.
#include <arpa/inet.h>
#include <netinet/in.h>

#include "discovery/found_records.h"
#include "lynkor/aDiscovery.h"

namespace lynkor::discovery {

bool isAnyInterface(uint32_t networkInterface) {
    return networkInterface == 0 || networkInterface == htonl(INADDR_LOOPBACK);
}

}  // namespace lynkor::discovery

namespace {

using lynkor::discovery::FoundRecords;

struct Search {
    uint32_t serialNumber = 0;
    bool anySerial = false;
    linkSpec* result = nullptr;
};

bool s_takeMatch(const linkSpec* spec, bool* found, void* user) {
    auto* search = static_cast<Search*>(user);
    const bool matches =
        search->anySerial ? spec->serial_num != 0 : spec->serial_num == search->serialNumber;
    if (!matches) {
        return true;
    }
    search->result = aLinkSpec_Copy(*spec);
    *found = search->result != nullptr;
    return false;
}

linkSpec* s_find(linkType type, Search search, uint32_t networkInterface) {
    aDiscovery_EnumerateModules(type, s_takeMatch, &search, networkInterface);
    return search.result;
}

}  // namespace

extern "C" {

uint8_t aDiscovery_EnumerateModules(linkType type, aDiscoveryModuleFoundProc callback, void* user,
                                    uint32_t networkInterface) {
    if (callback == nullptr) {
        return 0;
    }
    FoundRecords records(callback, user);
    switch (type) {
        case USB:
            return lynkor::discovery::enumerateUsbModules(records);
        case TCPIP:
            return lynkor::discovery::enumerateNetworkModules(records, networkInterface);
        case TETHRA_CLIENT:
        case TETHRA_USB:
        case TETHRA_TCPIP:
        case TETHRA_SERIAL:
            return lynkor::discovery::enumerateBeaconModules(records, networkInterface);
        default:
            return 0;
    }
}

uint8_t aDiscovery_Enumerate_TethraModules(aDiscoveryModuleFoundProc callback, void* user,
                                           uint32_t networkInterface) {
    if (callback == nullptr) {
        return 0;
    }
    FoundRecords records(callback, user);
    return lynkor::discovery::enumerateBeaconModules(records, networkInterface);
}

linkSpec* aDiscovery_FindModule(linkType type, uint32_t serialNumber, uint32_t networkInterface) {
    return s_find(type, Search{serialNumber, false, nullptr}, networkInterface);
}

linkSpec* aDiscovery_FindFirstModule(linkType type, uint32_t networkInterface) {
    return s_find(type, Search{0, true, nullptr}, networkInterface);
}
}
