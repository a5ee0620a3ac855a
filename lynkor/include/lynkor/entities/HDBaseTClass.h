// HDBaseTClass: an HDBaseT link: the far end's identity, the cable and the link's quality.
// Command 41. Every method answers an aErr, as EntityClass describes.
#pragma once

#include <cstdint>

#include "lynkor/EntityClass.h"

namespace Norvane::Lynkor {

class LYNKOR_API HDBaseTClass : public EntityClass {
public:
    static constexpr uint8_t kCommand = 41;

    HDBaseTClass();
    ~HDBaseTClass() override;
    // Binds this object to entity `index` of the module.
    void init(Module* module, uint8_t index);

    // The far end's serial number.
    aErr getSerialNumber(uint8_t* buffer, uint32_t size, uint32_t* length);

    // Firmware version.
    aErr getFirmwareVersion(uint32_t* firmwareVersion);

    // State.
    aErr getState(uint32_t* state);

    // Cable length.
    aErr getCableLength(uint32_t* cableLength);

    // MSEA (signed).
    aErr getMSEA(int32_t* msea);

    // MSEB (signed).
    aErr getMSEB(int32_t* mseb);

    // Retransmission rate.
    aErr getRetransmissionRate(uint32_t* retransmissionRate);

    // Link utilization.
    aErr getLinkUtilization(uint32_t* linkUtilization);

    // Encoding state.
    aErr getEncodingState(uint8_t* encodingState);

    // USB2 device tree.
    aErr getUSB2DeviceTree(uint8_t* buffer, uint32_t size, uint32_t* length);

    // USB3 device tree.
    aErr getUSB3DeviceTree(uint8_t* buffer, uint32_t size, uint32_t* length);

    // Link role.
    aErr getLinkRole(uint8_t* linkRole);
    aErr setLinkRole(uint8_t linkRole);
};

}  // namespace Norvane::Lynkor
