#include "lynkor/entities/MuxClass.h"

#include "entities/entity_shapes.h"

namespace Norvane::Lynkor {

namespace {

using namespace lynkor::entities;

enum Option : uint8_t {
    kEnable = 1,
    kChannel = 2,
    kChannelVoltage = 3,
    kConfiguration = 4,
    kSplitMode = 5,
};

}  // namespace

MuxClass::MuxClass() = default;

MuxClass::~MuxClass() = default;

void MuxClass::init(Module* module, uint8_t index) {
    EntityClass::init(module, kCommand, index);
}

aErr MuxClass::getEnable(uint8_t* enable) {
    return getUEI8(kEnable, enable);
}

aErr MuxClass::setEnable(uint8_t enable) {
    return setUEI8(kEnable, enable);
}

aErr MuxClass::getChannel(uint8_t* channel) {
    return getUEI8(kChannel, channel);
}

aErr MuxClass::setChannel(uint8_t channel) {
    return setUEI8(kChannel, channel);
}

aErr MuxClass::getChannelVoltage(uint8_t channel, int32_t* channelVoltage) {
    return getSigned(*this, kChannelVoltage, channel, channelVoltage);
}

aErr MuxClass::getConfiguration(int32_t* configuration) {
    return getSigned(*this, kConfiguration, configuration);
}

aErr MuxClass::setConfiguration(int32_t configuration) {
    return setSigned(*this, kConfiguration, configuration);
}

aErr MuxClass::getSplitMode(int32_t* splitMode) {
    return getSigned(*this, kSplitMode, splitMode);
}

aErr MuxClass::setSplitMode(int32_t splitMode) {
    return setSigned(*this, kSplitMode, splitMode);
}

}  // namespace Norvane::Lynkor
