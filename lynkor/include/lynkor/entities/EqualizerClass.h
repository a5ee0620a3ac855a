// EqualizerClass: a signal equalizer of a high-speed data path.
// Command 15. Every method answers an aErr, as EntityClass describes.
#pragma once

#include <cstdint>

#include "lynkor/EntityClass.h"

namespace Norvane::Lynkor {

class LYNKOR_API EqualizerClass : public EntityClass {
public:
    static constexpr uint8_t kCommand = 15;

    EqualizerClass();
    ~EqualizerClass() override;
    // Binds this object to entity `index` of the module.
    void init(Module* module, uint8_t index);

    // Receiver config (by channel).
    aErr getReceiverConfig(uint8_t channel, uint8_t* receiverConfig);
    aErr setReceiverConfig(uint8_t channel, uint8_t receiverConfig);

    // Transmitter config.
    aErr getTransmitterConfig(uint8_t* transmitterConfig);
    aErr setTransmitterConfig(uint8_t transmitterConfig);
};

}  // namespace Norvane::Lynkor
