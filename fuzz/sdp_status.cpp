// Status words of the boot ROM's answers, on HID and on a serial line: the first input byte is
// the word index, the rest the answer as the transport gathered it.
#include <cstdint>
#include <span>

#include "recovery/sdp_reports.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) {
        return 0;
    }
    const size_t index = data[0] % (sdp::kStatusWordCount + 4);
    const std::span<const uint8_t> response(data + 1, size - 1);
    const auto hid = sdp::hidStatusWord(response, index);
    const auto serial = sdp::serialStatusWord(response, index);
    // A word is only ever read from inside a complete answer.
    if (hid && (response.size() != sdp::kHidResponseSize || index >= sdp::kStatusWordCount)) {
        __builtin_trap();
    }
    if (serial && response.size() < sdp::kSerialStatusOffset + 4 * index + 4) {
        __builtin_trap();
    }
    sdp::hexDump(response);
    return 0;
}
