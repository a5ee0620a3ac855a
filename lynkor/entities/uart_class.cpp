#include "lynkor/entities/UARTClass.h"

#include "entities/entity_shapes.h"

namespace Norvane::Lynkor {

namespace {

enum Option : uint8_t {
    kEnable = 1,
    kBaudRate = 2,
    kProtocol = 3,
    kLinkChannel = 4,
    kStopBits = 5,
    kParity = 6,
    kDataBits = 7,
    kFlowControl = 8,
    kCapableProtocols = 9,
    kAvailableProtocols = 10,
};

}  // namespace

UARTClass::UARTClass() = default;

UARTClass::~UARTClass() = default;

void UARTClass::init(Module* module, uint8_t index) {
    EntityClass::init(module, kCommand, index);
}

aErr UARTClass::getEnable(uint8_t* enable) {
    return getUEI8(kEnable, enable);
}

aErr UARTClass::setEnable(uint8_t enable) {
    return setUEI8(kEnable, enable);
}

aErr UARTClass::getBaudRate(uint32_t* baudRate) {
    return getUEI32(kBaudRate, baudRate);
}

aErr UARTClass::setBaudRate(uint32_t baudRate) {
    return setUEI32(kBaudRate, baudRate);
}

aErr UARTClass::getProtocol(uint8_t* protocol) {
    return getUEI8(kProtocol, protocol);
}

aErr UARTClass::setProtocol(uint8_t protocol) {
    return setUEI8(kProtocol, protocol);
}

aErr UARTClass::getLinkChannel(uint8_t* linkChannel) {
    return getUEI8(kLinkChannel, linkChannel);
}

aErr UARTClass::setLinkChannel(uint8_t linkChannel) {
    return setUEI8(kLinkChannel, linkChannel);
}

aErr UARTClass::getStopBits(uint8_t* stopBits) {
    return getUEI8(kStopBits, stopBits);
}

aErr UARTClass::setStopBits(uint8_t stopBits) {
    return setUEI8(kStopBits, stopBits);
}

aErr UARTClass::getParity(uint8_t* parity) {
    return getUEI8(kParity, parity);
}

aErr UARTClass::setParity(uint8_t parity) {
    return setUEI8(kParity, parity);
}

aErr UARTClass::getDataBits(uint8_t* dataBits) {
    return getUEI8(kDataBits, dataBits);
}

aErr UARTClass::setDataBits(uint8_t dataBits) {
    return setUEI8(kDataBits, dataBits);
}

aErr UARTClass::getFlowControl(uint8_t* flowControl) {
    return getUEI8(kFlowControl, flowControl);
}

aErr UARTClass::setFlowControl(uint8_t flowControl) {
    return setUEI8(kFlowControl, flowControl);
}

aErr UARTClass::getCapableProtocols(uint32_t* capableProtocols) {
    return getUEI32(kCapableProtocols, capableProtocols);
}

aErr UARTClass::getAvailableProtocols(uint32_t* availableProtocols) {
    return getUEI32(kAvailableProtocols, availableProtocols);
}

}  // namespace Norvane::Lynkor
