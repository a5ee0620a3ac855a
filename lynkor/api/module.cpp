// Module: connecting a device's Link, learning its module address, and the module queries.
#include "lynkor/Module.h"

#include <algorithm>
#include <cstring>

#include "api/uei_reply.h"
#include "core/trace.h"
#include "lynkor/aTime.h"

namespace Norvane::Lynkor {

namespace {

constexpr char kModuleLinkName[] = "Link";
constexpr int kAutoNetworkTries = 4;
constexpr uint32_t kAutoNetworkPauseMs = 5;

// Module queries (cmdMODULE): the sub-command in byte 1.
constexpr uint8_t kQueryHasUEI = 1;
constexpr uint8_t kQueryClassQuantity = 4;
constexpr uint8_t kQuerySubClassQuantity = 5;
constexpr uint8_t kQueryEntityGroup = 6;
constexpr uint8_t kQueryBuild = 0xFF;

}  // namespace

Module::Module(uint8_t address, uint8_t model) : Module(address, true, model) {}

Module::Module(uint8_t address, bool networkingMode, uint8_t model)
    : link_(std::make_unique<Link>(kModuleLinkName)),
      address_(address),
      model_(model),
      networkingMode_(networkingMode) {}

Module::~Module() {
    link_->disconnect();
}

template <typename Connect>
aErr Module::connectAndNetwork(Connect connect) {
    const aErr result = connect();
    return result == aErrNone ? _autoNetwork() : result;
}

aErr Module::_autoNetwork() {
    if (!networkingMode_) {
        return aErrNone;
    }
    aErr result = aErrNotReady;
    uint8_t address = 0;
    for (int attempt = 0; attempt < kAutoNetworkTries && result == aErrNotReady; ++attempt) {
        if (attempt > 0) {
            aTime_MSSleep(kAutoNetworkPauseMs);
        }
        result = link_->getModuleAddress(&address);
    }
    if (result == aErrNotReady) {
        lynkor::trace(aTRACE_OBJECTS, "BOO! Failed to autoNetwork\n");
    }
    if (result == aErrNone && address != 0 && address != address_) {
        address_ = address;
    }
    return result;
}

aErr Module::connect(linkType type, uint32_t serialNumber) {
    if (serialNumber == 0) {
        return aErrParam;
    }
    return discoverAndConnect(type, serialNumber);
}

aErr Module::discoverAndConnect(linkType type, uint32_t serialNumber) {
    return connectAndNetwork([&] { return link_->discoverAndConnect(type, serialNumber, model_); });
}

aErr Module::connectFromSpec(const linkSpec& spec) {
    if (link_->isConnected()) {
        return aErrBusy;
    }
    const aErr result = connectAndNetwork([&] {
        const aErr stored = link_->setLinkSpecifier(spec);
        return stored == aErrNone ? link_->connect() : stored;
    });
    lynkor::trace(aTRACE_OBJECTS, "Post autoNetwork err: %d\n", result);
    return result;
}

aErr Module::connectThroughLinkModule(Module* router) {
    if (router == nullptr || router == this) {
        return aErrParam;
    }
    if (link_->isConnected()) {
        return aErrNone;
    }
    if (!router->isConnected()) {
        return aErrInitialization;
    }
    linkSpec spec{};
    TethraConfig config;
    aErr result = router->getLinkSpecifier(&spec);
    if (result == aErrNone) {
        result = router->getConfig(&config);
    }
    if (result == aErrNone) {
        result = link_->setConfig(config);
    }
    if (result != aErrNone) {
        return result;
    }
    if (config.enabled) {
        // The router's link belongs to its device server; reach it there.
        spec.type = TETHRA_CLIENT;
        spec.ip_address = config.networkInterface;
        spec.ip_port = config.assignedPort;
    }
    result = link_->setLinkSpecifier(spec);
    if (result == aErrNone) {
        result = link_->connectThroughLinkModule(*router->getLink());
    }
    if (result == aErrNone) {
        networkingMode_ = false;
    }
    return result;
}

aErr Module::reconnect() {
    return connectAndNetwork([&] { return link_->connect(); });
}

aErr Module::disconnect() {
    return link_->disconnect();
}

bool Module::isConnected() {
    return link_->isConnected();
}

linkStatus Module::getStatus() {
    return link_->getStatus();
}

Link* Module::getLink() {
    return link_.get();
}

aErr Module::getLinkSpecifier(linkSpec* spec) {
    return link_->getLinkSpecifier(spec);
}

aErr Module::getConfig(TethraConfig* config) {
    return link_->getConfig(config);
}

aErr Module::setConfig(const TethraConfig& config) {
    return link_->setConfig(config);
}

uint8_t Module::getModuleAddress() const {
    return address_;
}

void Module::setModuleAddress(uint8_t address) {
    address_ = address;
}

void Module::setNetworkingMode(bool networkingMode) {
    networkingMode_ = networkingMode;
}

aErr Module::moduleQuery(const uint8_t* request, uint8_t requestLength, uint8_t matchLength,
                         uint8_t* reply, uint8_t* replyLength) {
    const aErr result = link_->sendPacket(address_, request[0],
                                          static_cast<uint8_t>(requestLength - 1), request + 1);
    return result == aErrNone
               ? link_->receivePacket(address_, request, matchLength, replyLength, reply)
               : result;
}

aErr Module::getBuild(uint32_t* build) {
    if (build == nullptr) {
        return aErrParam;
    }
    const uint8_t request[] = {cmdMODULE, kQueryBuild};
    uint8_t reply[aPACKET_MAX_DATA];
    uint8_t length = 0;
    const aErr result = moduleQuery(request, sizeof request, sizeof request, reply, &length);
    if (result != aErrNone) {
        return result;
    }
    if (length != 6) {
        return aErrSize;
    }
    *build = aUEI_RetrieveInt(reply + 2);
    return aErrNone;
}

aErr Module::hasUEI(uint8_t command, uint8_t option, uint8_t index, uint8_t direction) {
    if (direction != 0 && direction != UEI_GET && direction != UEI_SET) {
        return aErrParam;
    }
    const uint8_t request[] = {cmdMODULE, kQueryHasUEI, command, option, index, direction};
    uint8_t reply[aPACKET_MAX_DATA];
    uint8_t length = 0;
    const aErr result = moduleQuery(request, sizeof request, 5, reply, &length);
    if (result != aErrNone) {
        return result;
    }
    return length == 6 ? lynkor::api::resultFromDevice(reply[5]) : aErrUnknown;
}

aErr Module::queryAnswerByte(const uint8_t* request, uint8_t length, uint8_t* answer) {
    if (answer == nullptr) {
        return aErrParam;
    }
    uint8_t reply[aPACKET_MAX_DATA];
    uint8_t replyLength = 0;
    const aErr result = moduleQuery(request, length, length, reply, &replyLength);
    if (result != aErrNone) {
        return result;
    }
    if (replyLength != length + 1) {
        return aErrUnknown;
    }
    *answer = reply[length];
    return aErrNone;
}

aErr Module::classQuantity(uint8_t entityClass, uint8_t* quantity) {
    const uint8_t request[] = {cmdMODULE, kQueryClassQuantity, entityClass};
    return queryAnswerByte(request, sizeof request, quantity);
}

aErr Module::subClassQuantity(uint8_t entityClass, uint8_t subClass, uint8_t* quantity) {
    const uint8_t request[] = {cmdMODULE, kQuerySubClassQuantity, entityClass, subClass};
    return queryAnswerByte(request, sizeof request, quantity);
}

aErr Module::entityGroup(uint8_t entityClass, uint8_t subClass, uint8_t* group) {
    const uint8_t request[] = {cmdMODULE, kQueryEntityGroup, entityClass, subClass};
    return queryAnswerByte(request, sizeof request, group);
}

aErr Module::debug(const uint8_t* bytes, uint8_t length) {
    if (length > aPACKET_MAX_DATA - 1 || (bytes == nullptr && length > 0)) {
        return aErrParam;
    }
    uint8_t request[aPACKET_MAX_DATA] = {cmdDEBUG};
    if (length > 0) {
        std::memcpy(request + 1, bytes, length);
    }
    uint8_t reply[aPACKET_MAX_DATA];
    uint8_t replyLength = 0;
    const aErr result =
        moduleQuery(request, static_cast<uint8_t>(length + 1), 1, reply, &replyLength);
    if (result != aErrNone) {
        return result;
    }
    const bool same =
        replyLength == length + 1 && std::equal(request, request + replyLength, reply);
    return same ? aErrNone : aErrIO;
}

aErr Module::enablePacketLog(const char* fileName) {
    return link_->enablePacketLog(fileName);
}

aErr Module::disablePacketLog() {
    return link_->disablePacketLog();
}

}  // namespace Norvane::Lynkor
