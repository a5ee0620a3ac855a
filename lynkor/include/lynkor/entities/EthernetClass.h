// EthernetClass: the device's Ethernet interface: its static and current IPv4 settings, name and
// ports. Command 39. Every method answers an aErr, as EntityClass describes.
#pragma once

#include <cstdint>

#include "lynkor/EntityClass.h"

namespace Norvane::Lynkor {

class LYNKOR_API EthernetClass : public EntityClass {
public:
    static constexpr uint8_t kCommand = 39;

    EthernetClass();
    ~EthernetClass() override;
    // Binds this object to entity `index` of the module.
    void init(Module* module, uint8_t index);

    // Enabled.
    aErr getEnabled(uint8_t* enabled);
    aErr setEnabled(uint8_t enabled);

    // Network configuration.
    aErr getNetworkConfiguration(uint8_t* networkConfiguration);
    aErr setNetworkConfiguration(uint8_t networkConfiguration);

    // Static IPv4 address.
    aErr getStaticIPv4Address(uint8_t* buffer, uint32_t size, uint32_t* length);
    aErr setStaticIPv4Address(const uint8_t* bytes, uint32_t count);

    // Static IPv4 netmask.
    aErr getStaticIPv4Netmask(uint8_t* buffer, uint32_t size, uint32_t* length);
    aErr setStaticIPv4Netmask(const uint8_t* bytes, uint32_t count);

    // Static IPv4 gateway.
    aErr getStaticIPv4Gateway(uint8_t* buffer, uint32_t size, uint32_t* length);
    aErr setStaticIPv4Gateway(const uint8_t* bytes, uint32_t count);

    // IPv4 address.
    aErr getIPv4Address(uint8_t* buffer, uint32_t size, uint32_t* length);

    // IPv4 netmask.
    aErr getIPv4Netmask(uint8_t* buffer, uint32_t size, uint32_t* length);

    // IPv4 gateway.
    aErr getIPv4Gateway(uint8_t* buffer, uint32_t size, uint32_t* length);

    // Static IPv4 DNS address.
    aErr getStaticIPv4DNSAddress(uint8_t* buffer, uint32_t size, uint32_t* length);
    aErr setStaticIPv4DNSAddress(const uint8_t* bytes, uint32_t count);

    // IPv4 DNS address.
    aErr getIPv4DNSAddress(uint8_t* buffer, uint32_t size, uint32_t* length);

    // Hostname.
    aErr getHostname(uint8_t* buffer, uint32_t size, uint32_t* length);
    aErr setHostname(const uint8_t* bytes, uint32_t count);

    // MAC address.
    aErr getMACAddress(uint8_t* buffer, uint32_t size, uint32_t* length);

    // Interface port (by port).
    aErr getInterfacePort(uint8_t port, uint16_t* interfacePort);
    aErr setInterfacePort(uint8_t port, uint16_t interfacePort);
};

}  // namespace Norvane::Lynkor
