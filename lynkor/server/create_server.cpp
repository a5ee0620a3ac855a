// aLink_CreateServer: puts a device server on a device link and a client link in front of it.
#include <memory>
#include <new>

#include "link/link_table.h"
#include "lynkor/aLink.h"
#include "lynkor/aLinkSpec.h"
#include "lynkor/aTime.h"
#include "lynkor/aUEI.h"
#include "server/device_server.h"

namespace lynkor::server {

namespace {

constexpr uint32_t kDeviceInfoWaitMs = 1000;
constexpr int kDeviceInfoAttempts = 5;
constexpr uint32_t kDeviceInfoPauseMs = 10;
// The system entity's model: a get of option 8 of entity 0.
constexpr uint8_t kSystemCommand = 3;
constexpr uint8_t kSystemModelOption = 8;
constexpr uint8_t kModelGet[] = {kSystemCommand, UEI_GET | kSystemModelOption, UEI_REQUEST};
constexpr uint8_t kModelAnswerLength = 4;

struct PacketDeleter {
    void operator()(aPacket* packet) const { aPacket_Destroy(&packet); }
};
using OwnedPacket = std::unique_ptr<aPacket, PacketDeleter>;

linkType s_announcedType(int deviceType) {
    switch (deviceType) {
        case USB:
            return TETHRA_USB;
        case TCPIP:
            return TETHRA_TCPIP;
        default:
            return TETHRA_SERIAL;
    }
}

bool s_hasUserFilter(link::LinkRecord& record) {
    aMutex_Lock(record.userFilterSema);
    const bool installed = record.userFilter != nullptr;
    aMutex_Unlock(record.userFilterSema);
    return installed;
}

aErr s_exchange(aLinkRef client, uint8_t address, uint8_t length, const uint8_t* data,
                OwnedPacket& answer) {
    OwnedPacket request(aPacket_CreateWithData(address, length, data));
    if (request == nullptr) {
        return aErrMemory;
    }
    const aErr result = aLink_PutPacket(client, request.get());
    if (result != aErrNone) {
        return result;
    }
    answer.reset(aLink_AwaitPacket(client, kDeviceInfoWaitMs));
    return answer != nullptr ? aErrNone : aErrTimeout;
}

// Asks the device, through the server, for its module address and then its model.
aErr _getDeviceInfo(aLinkRef client, DeviceServer& server) {
    static const uint8_t kNoData = 0;
    OwnedPacket answer;
    aErr result = s_exchange(client, aLINK_QUERY_ADDRESS, 0, &kNoData, answer);
    if (result == aErrNone && (answer->data_size != 0 || answer->address == 0)) {
        result = aErrIO;
    }
    const uint8_t moduleAddress = result == aErrNone ? answer->address : 0;
    if (result == aErrNone) {
        result = s_exchange(client, moduleAddress, sizeof kModelGet, kModelGet, answer);
    }
    if (result == aErrNone &&
        (answer->address != moduleAddress || answer->data_size != kModelAnswerLength ||
         answer->data[0] != kSystemCommand)) {
        result = aErrIO;
    }
    if (result != aErrNone) {
        server.aServer_FlushFIFO();
        return result;
    }
    server.setDeviceInfo(moduleAddress, answer->data[3]);
    return aErrNone;
}

}  // namespace

}  // namespace lynkor::server

using namespace lynkor;

extern "C" aLinkRef aLink_CreateServer(aLinkRef deviceLink, uint16_t* port,
                                       uint32_t* interfaceAddress, bool localMode) {
    std::shared_ptr<link::LinkRecord> record = link::sLookupEntryByID(deviceLink);
    int32_t serial = 0, ident1 = 0, ident2 = 0;
    int type = 0;
    if (port == nullptr || interfaceAddress == nullptr || record == nullptr ||
        !link::sIdentity(deviceLink, serial, ident1, ident2, type) ||
        server::s_hasUserFilter(*record)) {
        return 0;
    }
    server::ServerSettings settings;
    settings.deviceLink = deviceLink;
    settings.announcedType = server::s_announcedType(type);
    settings.serialNumber = static_cast<uint32_t>(serial);
    settings.localMode = localMode;
    settings.requestedInterface = *interfaceAddress;
    auto owned = std::unique_ptr<server::DeviceServer>(new (std::nothrow)
                                                           server::DeviceServer(settings, record));
    server::DeviceServer* server = owned.get();
    if (owned == nullptr || !link::sAttachServer(deviceLink, std::move(owned))) {
        return 0;
    }
    aLinkRef client = 0;
    if (server->aServer_Start() == aErrNone) {
        client = aLink_CreateClient(server->aServer_GetInterface(), server->aServer_GetPort(), 0);
    }
    aErr result = client != 0 ? aErrTimeout : aErrResource;
    for (int attempt = 0; client != 0 && attempt < server::kDeviceInfoAttempts; ++attempt) {
        if (attempt > 0) {
            aTime_MSSleep(server::kDeviceInfoPauseMs);
        }
        result = server::_getDeviceInfo(client, *server);
        if (result == aErrNone) {
            break;
        }
    }
    // Only a working server ties the device link to the client; until then the device link
    // stays the caller's alone, so a failure releases it nowhere.
    if (result != aErrNone || !link::sSetDeviceLink(client, deviceLink)) {
        if (client != 0) {
            aLink_Destroy(&client);
        }
        link::sDetachServer(deviceLink);
        return 0;
    }
    *port = server->aServer_GetPort();
    *interfaceAddress = server->aServer_GetInterface();
    return client;
}
