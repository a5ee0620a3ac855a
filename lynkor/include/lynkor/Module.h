// Module: a device at a module address, reached over a Link that it owns. In networking mode the
// module learns its address from the device after each connect.
#pragma once

#include <cstdint>
#include <memory>

#include "lynkor/Link.h"

namespace Norvane::Lynkor {

class LYNKOR_API Module {
public:
    Module(uint8_t address, uint8_t model);
    Module(uint8_t address, bool networkingMode, uint8_t model);
    // Disconnects.
    virtual ~Module();
    Module(const Module&) = delete;
    Module& operator=(const Module&) = delete;

    // Connects to the device with this serial number (0 is aErrParam).
    aErr connect(linkType type, uint32_t serialNumber);
    // As connect; serial number 0 takes the first device of this module's model.
    aErr discoverAndConnect(linkType type, uint32_t serialNumber);
    // aErrBusy while connected.
    aErr connectFromSpec(const linkSpec& spec);
    // Reaches this module through a connected router module's link; the module then keeps the
    // address it was given. aErrNone when already connected.
    aErr connectThroughLinkModule(Module* router);
    // Connects again from the linkSpec of the last connect.
    aErr reconnect();
    aErr disconnect();
    bool isConnected();
    linkStatus getStatus();
    Link* getLink();
    // aErrNotReady without a Link.
    aErr getLinkSpecifier(linkSpec* spec);
    aErr getConfig(TethraConfig* config);
    aErr setConfig(const TethraConfig& config);

    uint8_t getModuleAddress() const;
    void setModuleAddress(uint8_t address);
    void setNetworkingMode(bool networkingMode);

    // Module queries (cmdMODULE).
    aErr getBuild(uint32_t* build);
    // The device's answer whether it offers the entity option in `direction` (0, UEI_GET or
    // UEI_SET).
    aErr hasUEI(uint8_t command, uint8_t option, uint8_t index, uint8_t direction);
    aErr classQuantity(uint8_t entityClass, uint8_t* quantity);
    aErr subClassQuantity(uint8_t entityClass, uint8_t subClass, uint8_t* quantity);
    aErr entityGroup(uint8_t entityClass, uint8_t subClass, uint8_t* group);
    // Echo (cmdDEBUG) of up to 27 bytes; aErrIO when the echo differs.
    aErr debug(const uint8_t* bytes, uint8_t length);

    aErr enablePacketLog(const char* fileName);
    aErr disablePacketLog();

private:
    aErr _autoNetwork();
    // Runs a connect, then learns the module address when it succeeded.
    template <typename Connect>
    aErr connectAndNetwork(Connect connect);
    // Sends a cmdMODULE request and takes the reply that begins with its first matchLength
    // bytes.
    aErr moduleQuery(const uint8_t* request, uint8_t requestLength, uint8_t matchLength,
                     uint8_t* reply, uint8_t* replyLength);
    // A query whose reply repeats the request and adds one answer byte.
    aErr queryAnswerByte(const uint8_t* request, uint8_t length, uint8_t* answer);

    std::unique_ptr<Link> link_;
    uint8_t address_;
    uint8_t model_;
    bool networkingMode_;
};

}  // namespace Norvane::Lynkor
