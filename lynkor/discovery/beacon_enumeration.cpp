// Device servers announce their devices by beacon when they hear a discovery beacon.
#include <arpa/inet.h>
#include <czmq.h>
#include <netinet/in.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "discovery/beacon_actor.h"
#include "discovery/found_records.h"
#include "lynkor/aDiscovery.h"
#include "platform/network_interfaces.h"

namespace lynkor::discovery {

namespace {

using platform::ipv4InterfaceAddresses;

constexpr int kBeaconPort = 8585;
constexpr const char kDiscoveryBeacon[] = "Lynkor2-Discovery";
constexpr int kPublishIntervalMs = 100;
constexpr int kReceiveTimeoutMs = 100;
constexpr int kReceiveAttempts = 22;
constexpr const char* kLocalInterface = "127.0.0.1";
// The beacon answers its configuration at once; this only bounds a beacon that never does.
constexpr int kConfigureTimeoutMs = 1000;

bool s_sameRecord(const linkSpec& a, const linkSpec& b) {
    return a.serial_num == b.serial_num && a.ip_address == b.ip_address && a.ip_port == b.ip_port &&
           a.type == b.type;
}

uint32_t s_address(const char* text) {
    in_addr address{};
    return ::inet_pton(AF_INET, text, &address) == 1 ? address.s_addr : 0;
}

class BeaconExchange {
public:
    BeaconExchange(FoundRecords& records, bool localFiltering)
        : records_(records), localFiltering_(localFiltering) {}

    void run() {
        zactor_t* beacon = newBeaconActor();
        if (beacon == nullptr) {
            return;
        }
        zsock_set_rcvtimeo(beacon, kConfigureTimeoutMs);
        zsock_send(beacon, "si", "CONFIGURE", kBeaconPort);
        char* hostname = zstr_recv(beacon);
        // No usable interface: nothing could be heard, so do not wait for it.
        if (hostname != nullptr && hostname[0] != '\0') {
            exchange(beacon);
        }
        zstr_free(&hostname);
        zactor_destroy(&beacon);
    }

private:
    void exchange(zactor_t* beacon) {
        zsock_send(beacon, "sbi", "PUBLISH", kDiscoveryBeacon, sizeof kDiscoveryBeacon - 1,
                   kPublishIntervalMs);
        zsock_send(beacon, "sb", "SUBSCRIBE", "", static_cast<size_t>(0));
        zsock_set_rcvtimeo(beacon, kReceiveTimeoutMs);
        for (int attempt = 0; attempt < kReceiveAttempts; ++attempt) {
            char* sender = zstr_recv(beacon);
            if (sender == nullptr) {
                continue;
            }
            zframe_t* frame = zframe_recv(beacon);
            const bool more = frame == nullptr || consider(sender, frame);
            zframe_destroy(&frame);
            zstr_free(&sender);
            if (!more) {
                break;
            }
        }
        zstr_sendx(beacon, "SILENCE", nullptr);
        zstr_sendx(beacon, "UNSUBSCRIBE", nullptr);
    }

    // False when the caller's callback asks to stop.
    bool consider(const char* sender, zframe_t* frame) {
        if (zframe_size(frame) != sizeof(linkSpec)) {
            return true;
        }
        linkSpec spec;
        std::memcpy(&spec, zframe_data(frame), sizeof spec);
        if (std::any_of(seen_.begin(), seen_.end(),
                        [&](const linkSpec& known) { return s_sameRecord(known, spec); })) {
            return true;
        }
        if (localFiltering_ && spec.ip_address != htonl(INADDR_LOOPBACK) &&
            spec.ip_address != s_address(sender)) {
            return true;
        }
        seen_.push_back(spec);
        return records_.offer(spec);
    }

    FoundRecords& records_;
    const bool localFiltering_;
    std::vector<linkSpec> seen_;
};

}  // namespace

uint8_t enumerateBeaconModules(FoundRecords& records, uint32_t networkInterface) {
    const bool localMode = isAnyInterface(networkInterface);
    // A machine without interfaces can still hear servers on this computer, over loopback.
    std::string interfaceText = kLocalInterface;
    if (!localMode) {
        const auto interfaces = ipv4InterfaceAddresses();
        char text[INET_ADDRSTRLEN + 8] = {};
        if (interfaces && !interfaces->empty() &&
            aDiscovery_ConvertIPv4Interface(networkInterface, text, sizeof text) != 0) {
            interfaceText = text;
        }
    }
    // The interface is process-wide: hold the lock from setting it until it is put back.
    if (!zBeaconInterface_backupSetAndLock(interfaceText.c_str())) {
        return records.count();
    }
    BeaconExchange(records, localMode).run();
    zBeaconInterface_restoreAndUnlock();
    return records.count();
}

}  // namespace lynkor::discovery
