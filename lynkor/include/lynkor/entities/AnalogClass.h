// AnalogClass: an analog input or output, with bulk capture.
// Command 30. Every method answers an aErr, as EntityClass describes.
#pragma once

#include <cstdint>

#include "lynkor/EntityClass.h"

namespace Norvane::Lynkor {

class LYNKOR_API AnalogClass : public EntityClass {
public:
    static constexpr uint8_t kCommand = 30;

    AnalogClass();
    ~AnalogClass() override;
    // Binds this object to entity `index` of the module.
    void init(Module* module, uint8_t index);

    // Configuration.
    aErr getConfiguration(uint8_t* configuration);
    aErr setConfiguration(uint8_t configuration);

    // Value.
    aErr getValue(uint16_t* value);
    aErr setValue(uint16_t value);

    // Voltage (signed).
    aErr getVoltage(int32_t* voltage);
    aErr setVoltage(int32_t voltage);

    // Bulk capture sample rate.
    aErr getBulkCaptureSampleRate(uint32_t* bulkCaptureSampleRate);
    aErr setBulkCaptureSampleRate(uint32_t bulkCaptureSampleRate);

    // Bulk capture number of samples.
    aErr getBulkCaptureNumberOfSamples(uint32_t* bulkCaptureNumberOfSamples);
    aErr setBulkCaptureNumberOfSamples(uint32_t bulkCaptureNumberOfSamples);

    // Starts a bulk capture.
    aErr initiateBulkCapture();

    // Bulk capture state.
    aErr getBulkCaptureState(uint8_t* bulkCaptureState);

    // Range.
    aErr getRange(uint8_t* range);
    aErr setRange(uint8_t range);

    // Enable.
    aErr getEnable(uint8_t* enable);
    aErr setEnable(uint8_t enable);
};

}  // namespace Norvane::Lynkor
