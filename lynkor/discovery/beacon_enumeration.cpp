// Device servers announce their devices by beacon when they hear a discovery beacon.
#include <arpa/inet.h>
#include <czmq.h>
#include <netinet/in.h>

#include <optional>
#include <span>
#include <string>

#include "discovery/beacon_actor.h"
#include "discovery/beacon_record_filter.h"
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

class BeaconExchange {
public:
    BeaconExchange(FoundRecords& records, bool localFiltering)
        : records_(records), filter_(localFiltering) {}

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
        const std::optional<linkSpec> spec =
            filter_.admit(sender, std::span(zframe_data(frame), zframe_size(frame)));
        return !spec || records_.offer(*spec);
    }

    FoundRecords& records_;
    BeaconRecordFilter filter_;
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
