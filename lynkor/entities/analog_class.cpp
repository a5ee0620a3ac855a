#include "lynkor/entities/AnalogClass.h"

#include "entities/entity_shapes.h"

namespace Norvane::Lynkor {

namespace {

using namespace lynkor::entities;

enum Option : uint8_t {
    kConfiguration = 1,
    kValue = 2,
    kVoltage = 3,
    kBulkCaptureSampleRate = 4,
    kBulkCaptureNumberOfSamples = 5,
    kInitiateBulkCapture = 6,
    kBulkCaptureState = 7,
    kRange = 8,
    kEnable = 9,
};

}  // namespace

AnalogClass::AnalogClass() = default;

AnalogClass::~AnalogClass() = default;

void AnalogClass::init(Module* module, uint8_t index) {
    EntityClass::init(module, kCommand, index);
}

aErr AnalogClass::getConfiguration(uint8_t* configuration) {
    return getUEI8(kConfiguration, configuration);
}

aErr AnalogClass::setConfiguration(uint8_t configuration) {
    return setUEI8(kConfiguration, configuration);
}

aErr AnalogClass::getValue(uint16_t* value) {
    return getUEI16(kValue, value);
}

aErr AnalogClass::setValue(uint16_t value) {
    return setUEI16(kValue, value);
}

aErr AnalogClass::getVoltage(int32_t* voltage) {
    return getSigned(*this, kVoltage, voltage);
}

aErr AnalogClass::setVoltage(int32_t voltage) {
    return setSigned(*this, kVoltage, voltage);
}

aErr AnalogClass::getBulkCaptureSampleRate(uint32_t* bulkCaptureSampleRate) {
    return getUEI32(kBulkCaptureSampleRate, bulkCaptureSampleRate);
}

aErr AnalogClass::setBulkCaptureSampleRate(uint32_t bulkCaptureSampleRate) {
    return setUEI32(kBulkCaptureSampleRate, bulkCaptureSampleRate);
}

aErr AnalogClass::getBulkCaptureNumberOfSamples(uint32_t* bulkCaptureNumberOfSamples) {
    return getUEI32(kBulkCaptureNumberOfSamples, bulkCaptureNumberOfSamples);
}

aErr AnalogClass::setBulkCaptureNumberOfSamples(uint32_t bulkCaptureNumberOfSamples) {
    return setUEI32(kBulkCaptureNumberOfSamples, bulkCaptureNumberOfSamples);
}

aErr AnalogClass::initiateBulkCapture() {
    return callUEI(kInitiateBulkCapture);
}

aErr AnalogClass::getBulkCaptureState(uint8_t* bulkCaptureState) {
    return getUEI8(kBulkCaptureState, bulkCaptureState);
}

aErr AnalogClass::getRange(uint8_t* range) {
    return getUEI8(kRange, range);
}

aErr AnalogClass::setRange(uint8_t range) {
    return setUEI8(kRange, range);
}

aErr AnalogClass::getEnable(uint8_t* enable) {
    return getUEI8(kEnable, enable);
}

aErr AnalogClass::setEnable(uint8_t enable) {
    return setUEI8(kEnable, enable);
}

}  // namespace Norvane::Lynkor
