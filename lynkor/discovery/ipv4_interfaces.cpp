#include <arpa/inet.h>
#include <netinet/in.h>

#include <algorithm>
#include <cstring>

#include "lynkor/aDiscovery.h"
#include "platform/network_interfaces.h"

namespace {

// The smallest buffer callers must offer; kept from the platform the API was designed on.
constexpr size_t kMinimumAddressTextSize = 22;

}  // namespace

extern "C" {

uint32_t aDiscovery_GetIPv4Interfaces(uint32_t* addresses, uint32_t capacity) {
    if (addresses == nullptr || capacity == 0) {
        return 0;
    }
    const auto found = lynkor::platform::ipv4InterfaceAddresses();
    if (!found) {
        return 0;
    }
    const auto count = static_cast<uint32_t>(std::min<size_t>(found->size(), capacity));
    std::copy_n(found->begin(), count, addresses);
    return count;
}

size_t aDiscovery_ConvertIPv4Interface(uint32_t address, char* buffer, size_t size) {
    if (buffer == nullptr || size < kMinimumAddressTextSize) {
        return 0;
    }
    in_addr value{};
    value.s_addr = address;
    char text[INET_ADDRSTRLEN];
    if (::inet_ntop(AF_INET, &value, text, sizeof text) == nullptr) {
        return 0;
    }
    const size_t length = std::strlen(text);
    std::memcpy(buffer, text, length + 1);
    return length;
}
}
