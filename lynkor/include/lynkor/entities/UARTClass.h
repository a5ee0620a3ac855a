// UARTClass: a serial port of the device: its line settings and the protocol it carries.
// Command 35. Every method answers an aErr, as EntityClass describes.
#pragma once

#include <cstdint>

#include "lynkor/EntityClass.h"

namespace Norvane::Lynkor {

class LYNKOR_API UARTClass : public EntityClass {
public:
    static constexpr uint8_t kCommand = 35;

    UARTClass();
    ~UARTClass() override;
    // Binds this object to entity `index` of the module.
    void init(Module* module, uint8_t index);

    // Enable.
    aErr getEnable(uint8_t* enable);
    aErr setEnable(uint8_t enable);

    // Baud rate.
    aErr getBaudRate(uint32_t* baudRate);
    aErr setBaudRate(uint32_t baudRate);

    // Protocol.
    aErr getProtocol(uint8_t* protocol);
    aErr setProtocol(uint8_t protocol);

    // Link channel.
    aErr getLinkChannel(uint8_t* linkChannel);
    aErr setLinkChannel(uint8_t linkChannel);

    // Stop bits.
    aErr getStopBits(uint8_t* stopBits);
    aErr setStopBits(uint8_t stopBits);

    // Parity.
    aErr getParity(uint8_t* parity);
    aErr setParity(uint8_t parity);

    // Data bits.
    aErr getDataBits(uint8_t* dataBits);
    aErr setDataBits(uint8_t dataBits);

    // Flow control.
    aErr getFlowControl(uint8_t* flowControl);
    aErr setFlowControl(uint8_t flowControl);

    // Capable protocols.
    aErr getCapableProtocols(uint32_t* capableProtocols);

    // Available protocols.
    aErr getAvailableProtocols(uint32_t* availableProtocols);
};

}  // namespace Norvane::Lynkor
