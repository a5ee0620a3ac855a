#include "lynkor/entities/EthernetClass.h"

#include "entities/entity_shapes.h"

namespace Norvane::Lynkor {

namespace {

using namespace lynkor::entities;

enum Option : uint8_t {
    kEnabled = 1,
    kNetworkConfiguration = 2,
    kStaticIPv4Address = 3,
    kStaticIPv4Netmask = 4,
    kStaticIPv4Gateway = 5,
    kIPv4Address = 6,
    kIPv4Netmask = 7,
    kIPv4Gateway = 8,
    kStaticIPv4DNSAddress = 9,
    kIPv4DNSAddress = 10,
    kHostname = 11,
    kMACAddress = 12,
    kInterfacePort = 13,
};

}  // namespace

EthernetClass::EthernetClass() = default;

EthernetClass::~EthernetClass() = default;

void EthernetClass::init(Module* module, uint8_t index) {
    EntityClass::init(module, kCommand, index);
}

aErr EthernetClass::getEnabled(uint8_t* enabled) {
    return getUEI8(kEnabled, enabled);
}

aErr EthernetClass::setEnabled(uint8_t enabled) {
    return setUEI8(kEnabled, enabled);
}

aErr EthernetClass::getNetworkConfiguration(uint8_t* networkConfiguration) {
    return getUEI8(kNetworkConfiguration, networkConfiguration);
}

aErr EthernetClass::setNetworkConfiguration(uint8_t networkConfiguration) {
    return setUEI8(kNetworkConfiguration, networkConfiguration);
}

aErr EthernetClass::getStaticIPv4Address(uint8_t* buffer, uint32_t size, uint32_t* length) {
    return getBytes(*this, kStaticIPv4Address, buffer, size, length);
}

aErr EthernetClass::setStaticIPv4Address(const uint8_t* bytes, uint32_t count) {
    return setBytes(*this, kStaticIPv4Address, bytes, count);
}

aErr EthernetClass::getStaticIPv4Netmask(uint8_t* buffer, uint32_t size, uint32_t* length) {
    return getBytes(*this, kStaticIPv4Netmask, buffer, size, length);
}

aErr EthernetClass::setStaticIPv4Netmask(const uint8_t* bytes, uint32_t count) {
    return setBytes(*this, kStaticIPv4Netmask, bytes, count);
}

aErr EthernetClass::getStaticIPv4Gateway(uint8_t* buffer, uint32_t size, uint32_t* length) {
    return getBytes(*this, kStaticIPv4Gateway, buffer, size, length);
}

aErr EthernetClass::setStaticIPv4Gateway(const uint8_t* bytes, uint32_t count) {
    return setBytes(*this, kStaticIPv4Gateway, bytes, count);
}

aErr EthernetClass::getIPv4Address(uint8_t* buffer, uint32_t size, uint32_t* length) {
    return getBytes(*this, kIPv4Address, buffer, size, length);
}

aErr EthernetClass::getIPv4Netmask(uint8_t* buffer, uint32_t size, uint32_t* length) {
    return getBytes(*this, kIPv4Netmask, buffer, size, length);
}

aErr EthernetClass::getIPv4Gateway(uint8_t* buffer, uint32_t size, uint32_t* length) {
    return getBytes(*this, kIPv4Gateway, buffer, size, length);
}

aErr EthernetClass::getStaticIPv4DNSAddress(uint8_t* buffer, uint32_t size, uint32_t* length) {
    return getBytes(*this, kStaticIPv4DNSAddress, buffer, size, length);
}

aErr EthernetClass::setStaticIPv4DNSAddress(const uint8_t* bytes, uint32_t count) {
    return setBytes(*this, kStaticIPv4DNSAddress, bytes, count);
}

aErr EthernetClass::getIPv4DNSAddress(uint8_t* buffer, uint32_t size, uint32_t* length) {
    return getBytes(*this, kIPv4DNSAddress, buffer, size, length);
}

aErr EthernetClass::getHostname(uint8_t* buffer, uint32_t size, uint32_t* length) {
    return getBytes(*this, kHostname, buffer, size, length);
}

aErr EthernetClass::setHostname(const uint8_t* bytes, uint32_t count) {
    return setBytes(*this, kHostname, bytes, count);
}

aErr EthernetClass::getMACAddress(uint8_t* buffer, uint32_t size, uint32_t* length) {
    return getBytes(*this, kMACAddress, buffer, size, length);
}

aErr EthernetClass::getInterfacePort(uint8_t port, uint16_t* interfacePort) {
    return getUEI16(kInterfacePort, port, interfacePort);
}

aErr EthernetClass::setInterfacePort(uint8_t port, uint16_t interfacePort) {
    return setUEI16(kInterfacePort, port, interfacePort);
}

}  // namespace Norvane::Lynkor
