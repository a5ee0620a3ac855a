#include "discovery/beacon_record_filter.h"

#include <arpa/inet.h>
#include <netinet/in.h>

#include <algorithm>
#include <cstring>

namespace lynkor::discovery {

namespace {

bool s_sameRecord(const linkSpec& a, const linkSpec& b) {
    return a.serial_num == b.serial_num && a.ip_address == b.ip_address && a.ip_port == b.ip_port &&
           a.type == b.type;
}

uint32_t s_address(const char* text) {
    in_addr address{};
    return ::inet_pton(AF_INET, text, &address) == 1 ? address.s_addr : 0;
}

}  // namespace

std::optional<linkSpec> BeaconRecordFilter::admit(const char* sender,
                                                  std::span<const uint8_t> frame) {
    if (frame.size() != sizeof(linkSpec)) {
        return std::nullopt;
    }
    linkSpec spec;
    std::memcpy(&spec, frame.data(), sizeof spec);
    if (std::any_of(seen_.begin(), seen_.end(),
                    [&](const linkSpec& known) { return s_sameRecord(known, spec); })) {
        return std::nullopt;
    }
    if (localFiltering_ && spec.ip_address != htonl(INADDR_LOOPBACK) &&
        spec.ip_address != s_address(sender)) {
        return std::nullopt;
    }
    seen_.push_back(spec);
    return spec;
}

}  // namespace lynkor::discovery
