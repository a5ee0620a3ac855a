#include "lynkor/entities/EqualizerClass.h"

#include "entities/entity_shapes.h"

namespace Norvane::Lynkor {

namespace {

enum Option : uint8_t {
    kReceiverConfig = 1,
    kTransmitterConfig = 2,
};

}  // namespace

EqualizerClass::EqualizerClass() = default;

EqualizerClass::~EqualizerClass() = default;

void EqualizerClass::init(Module* module, uint8_t index) {
    EntityClass::init(module, kCommand, index);
}

aErr EqualizerClass::getReceiverConfig(uint8_t channel, uint8_t* receiverConfig) {
    return getUEI8(kReceiverConfig, channel, receiverConfig);
}

aErr EqualizerClass::setReceiverConfig(uint8_t channel, uint8_t receiverConfig) {
    return setUEI8(kReceiverConfig, channel, receiverConfig);
}

aErr EqualizerClass::getTransmitterConfig(uint8_t* transmitterConfig) {
    return getUEI8(kTransmitterConfig, transmitterConfig);
}

aErr EqualizerClass::setTransmitterConfig(uint8_t transmitterConfig) {
    return setUEI8(kTransmitterConfig, transmitterConfig);
}

}  // namespace Norvane::Lynkor
