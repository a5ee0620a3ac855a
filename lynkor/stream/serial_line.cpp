#include "stream/serial_line.h"

#include "platform/descriptor.h"
#include "stream/serial_rates.h"

namespace lynkor {

aErr SerialLine::open(const char* portName, uint32_t baudIndex, uint32_t parity,
                      uint32_t sevenDataBits, uint32_t twoStopBits) {
    if (portName == nullptr) {
        return aErrParam;
    }
    if (baudIndex >= kSerialBaudRates.size()) {
        return aErrRange;
    }
    if (sevenDataBits > 1 || twoStopBits > 1) {
        return aErrMode;
    }
    platform::SerialSettings settings;
    settings.baudRate = kSerialBaudRates[baudIndex];
    settings.oddParity = parity != 0;
    settings.sevenDataBits = sevenDataBits == 1;
    settings.twoStopBits = twoStopBits == 1;
    return platform::serialOpen(platform::serialDevicePath(portName), settings, &port_);
}

aErr SerialLine::get(uint8_t* byte) {
    if (inputNext_ < inputCount_) {
        *byte = input_[inputNext_++];
        return aErrNone;
    }
    if (port_.fd < 0) {
        return aErrIO;
    }
    platform::IoResult result =
        platform::readAvailable(port_.fd, input_, kInputBufferSize, platform::kIdleReadWaitMs);
    switch (result.status) {
        case platform::IoStatus::Done:
            inputCount_ = result.count;
            inputNext_ = 1;
            *byte = input_[0];
            return aErrNone;
        case platform::IoStatus::NothingYet:
            return aErrNotReady;
        default:
            // A line that hung up stays readable; answering aErrIO keeps callers from spinning.
            return aErrIO;
    }
}

aErr SerialLine::write(const uint8_t* data, size_t length) {
    if (port_.fd < 0) {
        return aErrIO;
    }
    size_t sent = 0;
    while (sent < length) {
        platform::IoResult result = platform::writeSome(port_.fd, data + sent, length - sent);
        if (result.status == platform::IoStatus::Done) {
            sent += result.count;
        } else if (result.status != platform::IoStatus::NothingYet ||
                   !platform::waitWritable(port_.fd, kWriteStallMs)) {
            return aErrIO;
        }
    }
    return aErrNone;
}

aErr SerialLine::close() {
    return platform::serialClose(&port_);
}

}  // namespace lynkor
