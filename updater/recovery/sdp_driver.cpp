#include "recovery/sdp_driver.h"

#include <algorithm>
#include <vector>

#include "display/output.h"
#include "recovery/sdp_reports.h"

bool SdpDriver::errorStatus() {
    const sdp::CommandReport command = sdp::commandReport(sdp::kErrorStatus);
    for (int attempt = 0; attempt < kErrorStatusTries; ++attempt) {
        loader_.write(command);
        std::vector<uint8_t> response;
        loader_.read(response, kAnswerWaitMs);
        uint32_t word = 0;
        if (loader_.statusWord(response, 0, word)) {
            return true;
        }
    }
    debugPrintf(DEBUG_iMXSerial, "Error: No ack from iMX device\n");
    return false;
}

LoadFileResult SdpDriver::loadFile(std::span<const uint8_t> image, uint32_t address) {
    if (!errorStatus()) {
        return LoadFileResult::kNoAcknowledge;
    }
    const sdp::CommandReport command = sdp::commandReport(
        sdp::kWriteFile, address, sdp::kWriteFileFormat, static_cast<uint32_t>(image.size()));
    const size_t commandWritten = loader_.write(command);
    debugPrintf(DEBUG_iMXSerial, "Write Res: %zd\n%s", static_cast<ssize_t>(commandWritten),
                sdp::hexDump(command).c_str());
    if (commandWritten == 0) {
        debugPrintf(DEBUG_iMXSerial, "Error while transfering loader. Aborting\n");
        return LoadFileResult::kAborted;
    }

    size_t offset = 0;
    for (int loop = 0; offset < image.size(); ++loop) {
        // The ROM stays silent while it takes data; anything it says now is a refusal.
        std::vector<uint8_t> unsolicited;
        const size_t chunkSize = std::min(sdp::kMaxDataPerReport, image.size() - offset);
        const std::vector<uint8_t> report = sdp::dataReport(image.subspan(offset, chunkSize));
        const size_t written = loader_.read(unsolicited, 0) == 0 ? loader_.write(report) : 0;
        if (written == 0) {
            debugPrintf(DEBUG_iMXSerial, "Error while transfering loader. Aborting\n");
            return LoadFileResult::kAborted;
        }
        offset += chunkSize;
        debugPrintf(DEBUG_iMXSerial, "Write Res: %zd , Total: %d, Loop: %d, tell: %ld, size: %zd\n",
                    static_cast<ssize_t>(written), static_cast<int>(offset), loop,
                    static_cast<long>(offset), static_cast<ssize_t>(image.size()));
    }
    debugPrintf(DEBUG_iMXSerial, "Written Bytes: %d\n", static_cast<int>(offset));

    std::vector<uint8_t> response;
    loader_.read(response, kAnswerWaitMs);
    debugPrintf(DEBUG_iMXSerial, "Data Read: \n%s", sdp::hexDump(response).c_str());
    uint32_t word = 0;
    if (loader_.statusWord(response, 0, word) && word == sdp::kWriteFileComplete) {
        debugPrintf(DEBUG_iMXSerial, "Loader Transfer Successful\n");
        return LoadFileResult::kSuccess;
    }
    debugPrintf(DEBUG_iMXSerial, "Loader Transfer Unsuccessful\n");
    return LoadFileResult::kUnsuccessful;
}

bool SdpDriver::jump(uint32_t address) {
    const size_t written = loader_.write(sdp::commandReport(sdp::kJumpAddress, address));
    std::vector<uint8_t> answer;
    loader_.read(answer, kAnswerWaitMs);
    return written != 0;
}
