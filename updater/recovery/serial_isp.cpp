#include "recovery/serial_isp.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <thread>

#include "display/output.h"
#include "recovery/isp_answers.h"
#include "recovery/isp_protocol.h"
#include "recovery/uuencode.h"

namespace {

using std::chrono::milliseconds;

// A read that found nothing pauses this long before the next try.
constexpr milliseconds kRetryPause{1};
// A fixed answer is read after the time the line needs for it: 9 bit times per character, with
// room for the line end, plus this margin.
constexpr uint32_t kResponseBitTimes = 9;
constexpr uint32_t kResponseMarginMs = 21;
// The chip, the adapter in front of it or a busy host may be later than the line's time: a
// missing answer is waited for this much longer before it counts as missing.
constexpr milliseconds kResponseGrace{1000};
// Line feeds, carriage returns and zero bytes dropped before a fixed answer may number at most
// this many, so that a chip sending nothing else cannot hold the reader.
constexpr size_t kResponseDroppedLimit = 16;

constexpr std::string_view kLineEnd = "\r\n";
constexpr size_t kShownPortName = 64;
constexpr std::string_view kSynchronized = "Synchronized\r\n";
constexpr std::string_view kOk = "OK\r\n";
constexpr std::string_view kResend = "RESEND\r\n";
// The opening answers whose first characters must match; the rest of "OK\r\n" may vary.
constexpr size_t kOkCompared = 2;

std::string s_format(const char* format, auto... values) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, format, values...);
    return buffer;
}

}  // namespace

SerialIsp::SerialIsp(UpdaterDisplayInterface* display) : display_(display) {}

SerialIsp::~SerialIsp() = default;

aErr SerialIsp::open(const std::string& portName, uint32_t requestedRate) {
    close();
    if (portName.size() > kMaxPortName) {
        // Shown with its start only, so that the reason is not cut off the message.
        const std::string shown = portName.substr(0, kShownPortName) + "...";
        displayPrintf(display_, DISPLAY_ERROR, "Error Creating Serial [%s] ==> %s", shown.c_str(),
                      aError_GetErrorText(aErrFileNameLength));
        return aErrFileNameLength;
    }
    const uint32_t rateIndex = ispRateIndex(requestedRate);
    baud_ = kIspRates[rateIndex];
    debugPrintf(DEBUG_NXPSerial, "Creating serial connection: [%s] stream baud:%d(%d)\n",
                portName.c_str(), static_cast<int>(baud_), static_cast<int>(rateIndex));
    aStream* stream = nullptr;
    aErr result = aStream_CreateSerial(portName.c_str(), rateIndex, 0, 0, 0, &stream);
    if (result != aErrNone) {
        displayPrintf(display_, DISPLAY_ERROR, "Error Creating Serial [%s] ==> %s",
                      portName.c_str(), aError_GetErrorText(result));
        return result;
    }
    stream_.reset(stream);
    portName_ = portName;
    return aErrNone;
}

void SerialIsp::close() {
    stream_.reset();
}

aErr SerialIsp::readByte(uint8_t& byte) {
    if (!stream_) {
        return aErrIO;
    }
    return aStream_Read(stream_.get(), &byte, 1);
}

aErr SerialIsp::writeText(std::string_view text) {
    if (!stream_) {
        return aErrIO;
    }
    return aStream_Write(stream_.get(), reinterpret_cast<const uint8_t*>(text.data()), text.size());
}

aErr SerialIsp::Test_Serial_Send(std::string_view text, bool checkEcho) {
    aErr result = writeText(text);
    if (result != aErrNone) {
        debugPrintf(DEBUG_NXPSerial, "Error Test_Serial_Send() [%s]\n",
                    aError_GetErrorText(result));
        return result;
    }
    return checkEcho ? expectEcho(text, "Test_Serial_Send") : aErrNone;
}

aErr SerialIsp::expectEcho(std::string_view text, const char* sender) {
    size_t matched = 0;
    GetEcho(text, matched);
    if (matched != text.size()) {
        // What the chip heard is not what was sent; whatever it answers cannot be trusted.
        debugPrintf(DEBUG_NXPSerial, "Error %s() bad echo [%d!=%d]\n", sender,
                    static_cast<int>(matched), static_cast<int>(text.size()));
        return aErrIO;
    }
    return aErrNone;
}

aErr SerialIsp::SendCommand(std::string_view line, int delayMs) {
    debugPrintf(DEBUG_NXPSerial_SR, "SendCommand() [%.*s]\n",
                static_cast<int>(ispLineText(line).size()), line.data());
    aErr result = Test_Serial_Send(line, false);
    if (result != aErrNone) {
        debugPrintf(DEBUG_NXPSerial, "Error Write Serial [%s]\n", aError_GetErrorText(result));
        return result;
    }
    if (delayMs > 0) {
        debugPrintf(DEBUG_NXPSerial_SR, "SendCommand() wait for command completion [%d ms]\n",
                    delayMs);
        std::this_thread::sleep_for(milliseconds(delayMs));
    }
    if (!echo_ || line.empty()) {
        return aErrNone;
    }
    // The line feed's echo is left for the answer's reader, which skips a leading one.
    return expectEcho(line.substr(0, line.size() - 1), "SendCommand");
}

aErr SerialIsp::GetEcho(std::string_view text, size_t& matched) {
    matched = 0;
    int tries = kEchoTries;
    while (matched < text.size() && tries > 0) {
        uint8_t byte = 0;
        if (readByte(byte) != aErrNone) {
            std::this_thread::sleep_for(kRetryPause);
            --tries;
            continue;
        }
        const auto expected = static_cast<uint8_t>(text[matched]);
        if (byte == expected) {
            ++matched;
            continue;
        }
        // A chip that talks back anything but the echo must not hold the reader for ever.
        debugPrintf(DEBUG_NXPSerial_E, "%02X!=%02X", byte, expected);
        --tries;
    }
    return matched == text.size() ? aErrNone : aErrTimeout;
}

aErr SerialIsp::GetLine(std::string& line, size_t capacity, int tries) {
    line.clear();
    aErr last = aErrNone;
    // One place always stays free: a line that fills the rest ends there, as a babbling chip's
    // would.
    while (tries > 0 && line.size() + 1 < capacity) {
        uint8_t byte = 0;
        last = readByte(byte);
        if (last != aErrNone) {
            std::this_thread::sleep_for(kRetryPause);
            --tries;
            continue;
        }
        if (line.empty() && byte == '\n') {
            --tries;
            continue;
        }
        line.push_back(static_cast<char>(byte));
        if (line.ends_with(kLineEnd)) {
            break;
        }
    }
    debugPrintf(DEBUG_NXPSerial_SR, "GetLine() [%s]\n", std::string(ispLineText(line)).c_str());
    return last;
}

aErr SerialIsp::Response(std::string& answer, std::string_view expected) {
    const uint32_t waitMs = static_cast<uint32_t>(expected.size() + 2) * kResponseBitTimes * 1000 /
                                std::max<uint32_t>(baud_, 1) +
                            kResponseMarginMs;
    debugPrintf(DEBUG_NXPSerial_SR, "Response() wait for serial [%d bytes, %d, %d ms]\n",
                static_cast<int>(expected.size()), static_cast<int>(baud_),
                static_cast<int>(waitMs));
    std::this_thread::sleep_for(milliseconds(waitMs));
    const auto deadline = std::chrono::steady_clock::now() + kResponseGrace;
    answer.clear();
    size_t dropped = 0;
    while (answer.size() < expected.size() && dropped <= kResponseDroppedLimit) {
        uint8_t byte = 0;
        aErr result = readByte(byte);
        if (result == aErrNotReady && std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(kRetryPause);
            continue;
        }
        if (result != aErrNone) {
            return result;
        }
        if (answer.empty() && (byte == '\n' || byte == '\r' || byte == 0)) {
            debugPrintf(DEBUG_NXPSerial_SR, "%s",
                        byte == '\n'   ? "Response ignoring leading \\n\n"
                        : byte == '\r' ? "Response ignoring leading \\r\n"
                                       : "Response ignoring leading 0 byte\n");
            ++dropped;
            continue;
        }
        if ((answer.size() == 1 || answer.size() == 2) && byte == 0) {
            ++dropped;
            continue;
        }
        const auto wanted = static_cast<uint8_t>(expected[answer.size()]);
        if (byte != wanted) {
            debugPrintf(DEBUG_NXPSerial,
                        "Error Test_Serial_Response() Expected byte %d does not match [[%02X] %c "
                        "!= %c [%02X]]\n",
                        static_cast<int>(answer.size()), byte, byte, wanted, wanted);
        }
        answer.push_back(static_cast<char>(byte));
        if (answer.ends_with(kLineEnd)) {
            break;
        }
    }
    return aErrNone;
}

aErr SerialIsp::sync() {
    aErr result = Test_Serial_Send("?", false);
    if (result != aErrNone) {
        return result;
    }
    std::string answer;
    result = Response(answer, kSynchronized);
    if (result != aErrNone) {
        debugPrintf(DEBUG_NXPSerial,
                    "Did not receive correct response to opening sync command: [%s]. Response: "
                    "[%s]\n",
                    aError_GetErrorText(result), answer.c_str());
        return result;
    }
    if (answer != kSynchronized) {
        // Whatever answered is not a synchronised boot loader; nothing it says can be trusted.
        debugPrintf(DEBUG_NXPSerial, "Did not receive correct response [%s]\n", answer.c_str());
        return aErrParse;
    }
    // Each echo comes back without its line feed, which the next answer's reader skips.
    auto exchange = [this](std::string_view line) -> aErr {
        aErr sent = Test_Serial_Send(line, false);
        if (sent != aErrNone) {
            return sent;
        }
        std::string echoed;
        const std::string_view expectedEcho = line.substr(0, line.size() - 1);
        aErr read = Response(echoed, expectedEcho);
        if (read == aErrNone && echoed != expectedEcho) {
            debugPrintf(DEBUG_NXPSerial, "Did not receive correct response [%s] != [%.*s]\n",
                        echoed.c_str(), static_cast<int>(expectedEcho.size()), expectedEcho.data());
            return aErrParse;
        }
        if (read != aErrNone) {
            return read;
        }
        std::string ok;
        read = Response(ok, kOk);
        if (read == aErrNone && ok.compare(0, kOkCompared, kOk.substr(0, kOkCompared)) != 0) {
            debugPrintf(DEBUG_NXPSerial, "Did not receive correct response [%s] != [%s]\n",
                        ok.c_str(), std::string(kOk).c_str());
            return aErrParse;
        }
        return read;
    };
    result = exchange(kSynchronized);
    if (result != aErrNone) {
        return result;
    }
    return exchange(s_format("%u\r\n", kIspCrystalKHz));
}

aErr SerialIsp::readReturnCode(const char* context) {
    std::string answer;
    GetLine(answer, kLineCapacity, kCommandTries);
    std::optional<uint32_t> code = parseIspNumber(answer);
    if (code && *code == kIspSuccess) {
        return aErrNone;
    }
    debugPrintf(DEBUG_NXPSerial, "%sError response ==>[%s]\n", context,
                ispReturnCodeName(ispLineText(answer)));
    return aErrParam;
}

aErr SerialIsp::runCommand(const std::string& line) {
    const char* context = line.starts_with('W') ? "Write() " : "";
    aErr result = SendCommand(line);
    if (result != aErrNone) {
        debugPrintf(DEBUG_NXPSerial, "%sError Sending command [%s] [%s]\n", context,
                    std::string(ispLineText(line)).c_str(), aError_GetErrorText(result));
        return result;
    }
    return readReturnCode(context);
}

aErr SerialIsp::unlock() {
    return runCommand(s_format("U %u\r\n", kIspUnlockCode));
}

aErr SerialIsp::setEcho(bool on) {
    debugPrintf(DEBUG_NXPSerial, "Setting device echo %d\n", on ? 1 : 0);
    aErr result = runCommand(s_format("A %d\r\n", on ? 1 : 0));
    if (result == aErrNone) {
        echo_ = on;
    }
    return result;
}

aErr SerialIsp::prepare(uint32_t firstSector, uint32_t lastSector) {
    if (firstSector > lastSector) {
        return aErrParam;
    }
    return runCommand(s_format("P %u %u\r\n", firstSector, lastSector));
}

aErr SerialIsp::erase(uint32_t firstSector, uint32_t lastSector) {
    if (firstSector > lastSector) {
        return aErrParam;
    }
    return runCommand(s_format("E %u %u\r\n", firstSector, lastSector));
}

aErr SerialIsp::copy(uint32_t flashAddress, uint32_t ramAddress, uint32_t count) {
    if (flashAddress % kIspFlashPage != 0 || !isIspCopyCount(count)) {
        return aErrParam;
    }
    return runCommand(s_format("C %u %u %u\r\n", flashAddress, ramAddress, count));
}

aErr SerialIsp::go(uint32_t address) {
    return SendCommand(s_format("G %u T\r\n", address));
}

aErr SerialIsp::readSerialNumber(IspIdentification& words) {
    aErr result = runCommand("N\r\n");
    if (result != aErrNone) {
        return result;
    }
    IspIdentification read{};
    for (size_t index = 0; index < read.size(); ++index) {
        std::string line;
        GetLine(line, kLineCapacity, kCommandTries);
        std::optional<uint32_t> word = parseIspNumber(line);
        if (!word) {
            debugPrintf(DEBUG_NXPSerial, "Error reading identification word %d [%s]\n",
                        static_cast<int>(index), std::string(ispLineText(line)).c_str());
            return aErrParse;
        }
        read[index] = *word;
    }
    identification_ = read;
    words = read;
    return aErrNone;
}

aErr SerialIsp::sendDataLine(std::span<const uint8_t> bytes) {
    std::string line = uuencodeLine(bytes);
    line += kLineEnd;
    return Test_Serial_Send(line, echo_);
}

aErr SerialIsp::checkpoint(uint32_t sum, Checkpoint& outcome) {
    debugPrintf(DEBUG_NXPSerial_SR, "Write() Checksum: %08X (%d)\n", sum, static_cast<int>(sum));
    aErr result = SendCommand(s_format("%u\r\n", sum));
    if (result != aErrNone) {
        debugPrintf(DEBUG_NXPSerial, "Write() Error Sending command [%u] [%s]\n", sum,
                    aError_GetErrorText(result));
        return result;
    }
    const auto start = std::chrono::steady_clock::now();
    std::string answer;
    GetLine(answer, kLineCapacity, kChecksumTries);
    const auto waited =
        std::chrono::duration_cast<milliseconds>(std::chrono::steady_clock::now() - start);
    debugPrintf(DEBUG_NXPSerial_SR, "Write() waited for checksum %d ms\n",
                static_cast<int>(waited.count()));
    if (answer == kOk) {
        outcome = Checkpoint::Accepted;
        return aErrNone;
    }
    if (answer == kResend) {
        outcome = Checkpoint::Resend;
        return aErrNone;
    }
    debugPrintf(DEBUG_NXPSerial, "Write() unexpected response [%s]\n",
                std::string(ispLineText(answer)).c_str());
    return aErrIO;
}

aErr SerialIsp::write(uint32_t ramAddress, std::span<const uint8_t> data) {
    const size_t count = data.size();
    if (count == 0 || count % 4 != 0 || count > UINT32_MAX) {
        debugPrintf(DEBUG_NXPSerial, "Write() count %zu is not a non-zero multiple of 4\n", count);
        return aErrParam;
    }
    aErr result = runCommand(s_format("W %u %zu\r\n", ramAddress, count));
    if (result != aErrNone) {
        return result;
    }
    // Everything before `accepted` has been confirmed by a checksum; a "RESEND" rewinds to it.
    size_t accepted = 0;
    size_t position = 0;
    int resendsLeft = kIspResendBudget;
    int lines = 0;
    uint32_t sum = 0;
    while (accepted < count) {
        const size_t length = std::min(kIspBytesPerLine, count - position);
        std::span<const uint8_t> bytes = data.subspan(position, length);
        result = sendDataLine(bytes);
        if (result != aErrNone) {
            debugPrintf(DEBUG_NXPSerial, "Write() Error sending data [%s]\n",
                        aError_GetErrorText(result));
            return result;
        }
        for (uint8_t byte : bytes) {
            sum += byte;
        }
        position += length;
        ++lines;
        if (lines < kIspLinesPerChecksum && position < count) {
            continue;
        }
        Checkpoint outcome = Checkpoint::Resend;
        result = checkpoint(sum, outcome);
        if (result != aErrNone) {
            return result;
        }
        if (outcome == Checkpoint::Accepted) {
            accepted = position;
            debugPrintf(DEBUG_NXPSerial_SR, "Write() valid transfer of %d of %d (%.0f%%) bytes\n",
                        static_cast<int>(accepted), static_cast<int>(count),
                        100.0 * static_cast<double>(accepted) / static_cast<double>(count));
        } else if (--resendsLeft == 0) {
            debugPrintf(DEBUG_NXPSerial, "Write() exceeded retries\n");
            return aErrTimeout;
        } else {
            position = accepted;
        }
        lines = 0;
        sum = 0;
    }
    return aErrNone;
}
