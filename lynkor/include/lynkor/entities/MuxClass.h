// MuxClass: a multiplexer: which of its channels is routed, and the channels' voltages.
// Command 6. Every method answers an aErr, as EntityClass describes.
#pragma once

#include <cstdint>

#include "lynkor/EntityClass.h"

namespace Norvane::Lynkor {

class LYNKOR_API MuxClass : public EntityClass {
public:
    static constexpr uint8_t kCommand = 6;

    MuxClass();
    ~MuxClass() override;
    // Binds this object to entity `index` of the module.
    void init(Module* module, uint8_t index);

    // Enable.
    aErr getEnable(uint8_t* enable);
    aErr setEnable(uint8_t enable);

    // Channel.
    aErr getChannel(uint8_t* channel);
    aErr setChannel(uint8_t channel);

    // Channel voltage (by channel, signed).
    aErr getChannelVoltage(uint8_t channel, int32_t* channelVoltage);

    // Configuration (signed).
    aErr getConfiguration(int32_t* configuration);
    aErr setConfiguration(int32_t configuration);

    // Split mode (signed).
    aErr getSplitMode(int32_t* splitMode);
    aErr setSplitMode(int32_t splitMode);
};

}  // namespace Norvane::Lynkor
