#pragma once

// What the plain and the packetized serial streams share: argument checks, the open port and
// its buffered reads and whole-block writes.
#include <cstddef>
#include <cstdint>

#include "lynkor/aError.h"
#include "platform/serial_port.h"

namespace lynkor {

class SerialLine {
public:
    // How long a write waits for the port to take more bytes before it gives up.
    static constexpr int kWriteStallMs = 1000;
    static constexpr size_t kInputBufferSize = 1024;

    // aErrParam for a null name, aErrRange for a baud index outside the table, aErrMode for a
    // data-bits or stop-bits selector other than 0 or 1, aErrIO when the port cannot be used.
    aErr open(const char* portName, uint32_t baudIndex, uint32_t parity, uint32_t sevenDataBits,
              uint32_t twoStopBits);
    // Whether bytes that arrived are waiting to be taken without another read.
    bool hasBuffered() const { return inputNext_ < inputCount_; }
    // The next byte; waits a little for one, then reads all that has arrived at once.
    // aErrNotReady when none came, aErrIO when the line is broken or closed.
    aErr get(uint8_t* byte);
    // aErrNone only when every byte went out.
    aErr write(const uint8_t* data, size_t length);
    // Restores the port's previous settings and closes it; aErrIO when the restore failed.
    aErr close();

private:
    platform::SerialPort port_;
    uint8_t input_[kInputBufferSize]{};
    size_t inputCount_ = 0;
    size_t inputNext_ = 0;
};

}  // namespace lynkor
