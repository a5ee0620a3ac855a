// A Link's life: connecting (directly, by discovery, through a router's link), disconnecting,
// its link description (linkSpec) and configuration, the packet log and discovery.
#include <cstring>

#include "api/link_filter_hub.h"
#include "api/link_impl.h"
#include "core/trace.h"
#include "link/link_table.h"
#include "lynkor/aTime.h"

namespace Norvane::Lynkor {

namespace {

// A new link that is not yet in step is polled this often, this many times.
constexpr uint32_t kConnectPollMs = 10;
constexpr int kConnectPollLimit = 200;
constexpr char kLogStartMarker[] = "START";

// Link creation is serialised across the process.
std::mutex s_creationMutex;

bool s_isDirectType(int32_t type) {
    return type == USB || type == TCPIP || type == SERIAL;
}

bool s_isTethraType(int32_t type) {
    return type >= TETHRA_CLIENT && type <= TETHRA_SERIAL;
}

// How a new link's status turns into the result of a connect.
aErr s_awaitRunning(aLinkRef id) {
    for (int poll = 0;; ++poll) {
        switch (aLink_GetStatus(id)) {
            case STATUS_RUNNING:
                return aErrNone;
            case STATUS_STOPPED:
            case STATUS_STARTING:
            case STATUS_SYNCING:
                if (poll == kConnectPollLimit) {
                    return aErrConnection;
                }
                aTime_MSSleep(kConnectPollMs);
                break;
            case STATUS_STOPPING:
                return aErrBusy;
            case STATUS_NO_STREAM:
            case STATUS_IO_ERROR:
            case STATUS_FAULT:
                return aErrConnection;
            default:
                return aErrDuplicate;
        }
    }
}

// A new holder of an existing link; 0 when it is gone.
aLinkRef s_holdExisting(aLinkRef id) {
    return lynkor::link::sChangeUseCount(id, 1) > 0 ? id : 0;
}

// The device's own link: a new one, or one more holder of `through` (a router's link).
aLinkRef s_openDirect(const linkSpec& spec, aLinkRef through) {
    if (through != 0) {
        return s_holdExisting(through);
    }
    if (spec.type == USB) {
        return aLink_CreateUSB(spec.serial_num);
    }
    if (spec.type == TCPIP) {
        return aLink_CreateTCPIP(spec.serial_num, spec.ip_address, spec.ip_port);
    }
    char port[aLINKSPEC_SERIAL_PORT_SIZE + 1] = {};
    std::memcpy(port, spec.serial_port, aLINKSPEC_SERIAL_PORT_SIZE);
    return aLink_CreateSerial(spec.serial_num, port, spec.baud_rate);
}

// Opens the link that the linkSpec names; over `through` (a router's link) when it is not 0. With
// sharing enabled, a new device link goes to a device server, whose port and interface are
// stored in the configuration, and the Link becomes one of its clients.
aErr s_createLink(const linkSpec& spec, TethraConfig& config, aLinkRef through, aLinkRef& created) {
    std::lock_guard creation(s_creationMutex);
    if (s_isDirectType(spec.type)) {
        created = s_openDirect(spec, through);
        if (created != 0 && through == 0 && config.enabled) {
            aLinkRef device = created;
            created = aLink_CreateServer(device, &config.assignedPort, &config.networkInterface,
                                         config.serverFlag);
            if (created == 0) {
                lynkor::trace(aTRACE_OBJECTS, "connect - type %d could not be served\n", spec.type);
                aLink_Destroy(&device);
            }
        }
        return aErrNone;
    }
    if (s_isTethraType(spec.type)) {
        if (!config.enabled) {
            return aErrConfiguration;
        }
        created = aLink_CreateClient(spec.ip_address, spec.ip_port, through);
        return aErrNone;
    }
    return aErrMode;
}

struct ModelSearch {
    uint8_t model;
    linkSpec spec{};
    bool found = false;
};

bool s_takeFirstOfModel(const linkSpec* spec, bool* found, void* user) {
    auto* search = static_cast<ModelSearch*>(user);
    if (search->model != 0 && spec->model != search->model) {
        return true;
    }
    search->spec = *spec;
    search->found = true;
    *found = true;
    return false;
}

bool s_discover(linkType type, uint32_t serialNumber, uint8_t model, uint32_t networkInterface,
                linkSpec& spec) {
    if (serialNumber != 0) {
        linkSpec* found = aDiscovery_FindModule(type, serialNumber, networkInterface);
        if (found == nullptr) {
            return false;
        }
        spec = *found;
        aLinkSpec_Destroy(&found);
        return true;
    }
    ModelSearch search{model};
    aDiscovery_EnumerateModules(type, s_takeFirstOfModel, &search, networkInterface);
    spec = search.spec;
    return search.found;
}

bool s_fallbackApplies(aErr result) {
    return result == aErrNotFound || result == aErrInitialization || result == aErrConnection;
}

}  // namespace

LinkImpl::LinkImpl(const char* name)
    : name(name != nullptr ? std::string(name).substr(0, kLinkNameMax) : std::string()),
      streams(std::make_shared<lynkor::api::StreamState>()) {}

aLinkRef LinkImpl::runningLink(aErr& result) const {
    const aLinkRef id = linkId.load();
    if (id == 0 || aLink_GetStatus(id) != STATUS_RUNNING) {
        result = aErrConnection;
        return 0;
    }
    result = aErrNone;
    return id;
}

aLinkRef LinkImpl::runningLinkTo(uint8_t module, aErr& result) const {
    if (module == 0 || (module & 1) != 0) {
        result = aErrPacket;
        return 0;
    }
    return runningLink(result);
}

aErr LinkImpl::connectLocked(aLinkRef through) {
    if (linkId.load() != 0) {
        return aErrConnection;
    }
    if (!spec.has_value()) {
        return aErrConfiguration;
    }
    aLinkRef created = 0;
    aErr result = s_createLink(*spec, config, through, created);
    if (result != aErrNone) {
        return result;
    }
    if (created == 0) {
        return aErrConnection;
    }
    result = s_awaitRunning(created);
    if (result != aErrNone) {
        // Leave nothing behind, so that the next try starts afresh.
        aLink_Destroy(&created);
        return result;
    }
    linkId.store(created);
    return aErrNone;
}

void LinkImpl::releaseLink() {
    aLinkRef id = linkId.exchange(0);
    if (id == 0) {
        return;
    }
    stopStreaming(id);
    logger.reset();
    aLink_Destroy(&id);
}

Link::Link(const char* name) : impl_(std::make_unique<LinkImpl>(name)) {}

Link::Link(const linkSpec& spec, const char* name) : Link(name) {
    impl_->spec = spec;
}

Link::~Link() {
    std::lock_guard life(impl_->life);
    impl_->releaseLink();
}

aErr Link::connect() {
    std::lock_guard life(impl_->life);
    return impl_->connectLocked(0);
}

aErr Link::discoverAndConnect(linkType type, uint32_t serialNumber, uint8_t model) {
    std::lock_guard life(impl_->life);
    if (impl_->linkId.load() != 0) {
        return aErrConnection;
    }
    auto attempt = [&](linkType kind) {
        linkSpec found{};
        if (!s_discover(kind, serialNumber, model, impl_->config.networkInterface, found)) {
            return aErrNotFound;
        }
        impl_->spec = found;
        return impl_->connectLocked(0);
    };
    aErr result = attempt(type);
    const bool fallbackKind = type == USB || type == TCPIP || s_isTethraType(type);
    if (s_fallbackApplies(result) && fallbackKind && impl_->config.fallback) {
        const linkType other = s_isTethraType(type) ? USB : TETHRA_CLIENT;
        lynkor::trace(aTRACE_OBJECTS, "Executing Fallback - old type: %d - new type: %d\n", type,
                      other);
        result = attempt(other);
    }
    return result;
}

aErr Link::connectThroughLinkModule(Link& router) {
    if (&router == this) {
        return aErrParam;
    }
    const aLinkRef routerLink = router.impl_->linkId.load();
    if (routerLink == 0) {
        return aErrInitialization;
    }
    std::lock_guard life(impl_->life);
    return impl_->connectLocked(routerLink);
}

aErr Link::disconnect() {
    std::lock_guard life(impl_->life);
    impl_->releaseLink();
    return aErrNone;
}

aErr Link::reset() {
    std::lock_guard life(impl_->life);
    const aLinkRef id = impl_->linkId.load();
    if (id == 0) {
        return aErrConnection;
    }
    const aErr result = aLink_Reset(id);
    // A reset link starts without a user filter; streaming goes on.
    const aErr filter = lynkor::api::reinstallFilter(id);
    return result != aErrNone ? result : filter;
}

bool Link::isConnected() {
    return getStatus() == STATUS_RUNNING;
}

linkStatus Link::getStatus() {
    const aLinkRef id = impl_->linkId.load();
    return id != 0 ? aLink_GetStatus(id) : STATUS_FAULT;
}

aErr Link::getLinkSpecifier(linkSpec* spec) {
    if (spec == nullptr) {
        return aErrParam;
    }
    std::lock_guard life(impl_->life);
    if (!impl_->spec.has_value()) {
        return aErrNotFound;
    }
    *spec = *impl_->spec;
    return aErrNone;
}

aErr Link::setLinkSpecifier(const linkSpec& spec) {
    std::lock_guard life(impl_->life);
    if (impl_->linkId.load() != 0) {
        return aErrBusy;
    }
    impl_->spec = spec;
    return aErrNone;
}

aErr Link::getConfig(TethraConfig* config) {
    if (config == nullptr) {
        return aErrParam;
    }
    std::lock_guard life(impl_->life);
    *config = impl_->config;
    return aErrNone;
}

aErr Link::setConfig(const TethraConfig& config) {
    std::lock_guard life(impl_->life);
    if (impl_->linkId.load() != 0) {
        return aErrMode;
    }
    impl_->config = config;
    return aErrNone;
}

const char* Link::getName() const {
    return impl_->name.c_str();
}

aErr Link::enablePacketLog(const char* fileName) {
    std::lock_guard life(impl_->life);
    const aLinkRef id = impl_->linkId.load();
    if (id == 0) {
        return aErrConfiguration;
    }
    if (fileName == nullptr) {
        return aErrParam;
    }
    aErr result = aLink_PacketDebug_Enable(id);
    if (result != aErrNone) {
        return result;
    }
    if (impl_->logger == nullptr) {
        impl_->logger.reset(aLogger_Create(id, fileName));
        if (impl_->logger == nullptr) {
            aLink_PacketDebug_Disable(id);
            return aErrIO;
        }
    }
    result = aLogger_Enable(impl_->logger.get());
    if (result != aErrNone) {
        return result;
    }
    return aLink_PacketDebug_Write(id, aLOGGER_TEXT_RECORD, sizeof kLogStartMarker - 1,
                                   reinterpret_cast<const uint8_t*>(kLogStartMarker));
}

aErr Link::disablePacketLog() {
    std::lock_guard life(impl_->life);
    const aLinkRef id = impl_->linkId.load();
    if (id == 0) {
        return aErrConfiguration;
    }
    const aErr result = aLink_PacketDebug_Disable(id);
    const aErr stopped = impl_->logger != nullptr ? aLogger_Disable(impl_->logger.get()) : aErrNone;
    return result != aErrNone ? result : stopped;
}

aErr Link::enablePooledPackets(bool enable) {
    const aLinkRef id = impl_->linkId.load();
    return id != 0 ? aLink_EnablePooledPackets(id, enable) : aErrConnection;
}

aErr Link::sDiscover(linkType type, aDiscoveryModuleFoundProc callback, void* user,
                     uint32_t networkInterface) {
    if (callback == nullptr) {
        return aErrParam;
    }
    return aDiscovery_EnumerateModules(type, callback, user, networkInterface) != 0 ? aErrNone
                                                                                    : aErrNotFound;
}

aErr Link::sDiscover(linkType type, std::vector<linkSpec>& specs, uint32_t networkInterface) {
    return sDiscover(type, sFindAll, &specs, networkInterface);
}

bool Link::sFindAll(const linkSpec* spec, bool* found, void* user) {
    static_cast<std::vector<linkSpec>*>(user)->push_back(*spec);
    *found = true;
    return true;
}

}  // namespace Norvane::Lynkor
