#include "recovery/serial_sdp_loader.h"

#include <chrono>
#include <thread>

#include "display/output.h"
#include "recovery/sdp_reports.h"

namespace {

// Index of 115200 baud in the serial streams' rate table.
constexpr uint32_t kBaudIndex115200 = 6;

}  // namespace

Serial_SDPLoader::~Serial_SDPLoader() {
    if (stream_ != nullptr) {
        aStream_Destroy(&stream_);
    }
}

bool Serial_SDPLoader::open() {
    if (aStream_CreateSerial(portName_.c_str(), kBaudIndex115200, 0, 0, 0, &stream_) != aErrNone) {
        debugPrintf(DEBUG_iMXSerial, "Unable to open Serial Port: %s\n", portName_.c_str());
        return false;
    }
    return true;
}

size_t Serial_SDPLoader::write(std::span<const uint8_t> report) {
    if (report.size() <= 1) {
        return 0;
    }
    const std::span<const uint8_t> payload = report.subspan(1);
    // The stream gives up once the port has taken nothing for a second.
    if (aStream_Write(stream_, payload.data(), payload.size()) != aErrNone) {
        debugPrintf(DEBUG_iMXSerial, "Serial write failed: the port did not take %zu bytes\n",
                    payload.size());
        return 0;
    }
    return payload.size();
}

size_t Serial_SDPLoader::read(std::vector<uint8_t>& response, int milliseconds) {
    if (milliseconds > 0) {
        std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
    }
    size_t count = 0;
    uint8_t byte = 0;
    while (count < kReadLimitBytes && aStream_Read(stream_, &byte, 1) == aErrNone) {
        response.push_back(byte);
        ++count;
    }
    return count;
}

bool Serial_SDPLoader::statusWord(std::span<const uint8_t> response, size_t index,
                                  uint32_t& word) const {
    const auto found = sdp::serialStatusWord(response, index);
    word = found.value_or(0);
    return found.has_value();
}
