#pragma once

// A connection to a chip's serial boot loader: an ASCII command and answer dialogue on a serial
// line, data as uuencoded lines checked by running sums. One object per recovery attempt, used
// by one thread; it owns its serial stream and closes it when reopened or destroyed.
#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>

#include "lynkor/aError.h"
#include "lynkor/aStream.h"

class UpdaterDisplayInterface;

// The chip's unique identification, as the N command reads it.
using IspIdentification = std::array<uint32_t, 4>;

class SerialIsp {
public:
    // Tries for reading a command's answer line, and for the answer to a write's checksum,
    // which comes only once the chip has taken in twenty lines; one try is one read that found
    // nothing.
    static constexpr int kCommandTries = 100;
    static constexpr int kChecksumTries = 2000;
    static constexpr int kEchoTries = 100;
    // Room for an answer line, its line end and a terminator.
    static constexpr size_t kLineCapacity = 32;
    // Port names longer than this are refused.
    static constexpr size_t kMaxPortName = 2047;

    // Failures to open the port are shown on the display (which may be null).
    explicit SerialIsp(UpdaterDisplayInterface* display = nullptr);
    ~SerialIsp();
    SerialIsp(const SerialIsp&) = delete;
    SerialIsp& operator=(const SerialIsp&) = delete;

    // Closes any open stream, then opens the port at the listed rate chosen for the request.
    aErr open(const std::string& portName, uint32_t requestedRate);
    void close();
    bool isOpen() const { return stream_ != nullptr; }
    bool echo() const { return echo_; }
    uint32_t baud() const { return baud_; }
    const std::string& portName() const { return portName_; }
    const IspIdentification& identification() const { return identification_; }

    // Raw text; with checkEcho, the chip's echo of all of it must come back.
    aErr Test_Serial_Send(std::string_view text, bool checkEcho);
    // A command line ending in "\r\n"; waits delayMs when positive; with echo on, the echo of
    // the line without its final line feed must come back whole.
    aErr SendCommand(std::string_view line, int delayMs = 0);
    // One answer line into `line`, its "\r\n" included: at most capacity - 1 bytes, within
    // `tries` reads that find nothing; a line feed before anything else is skipped. The result
    // is that of the last read.
    aErr GetLine(std::string& line, size_t capacity, int tries);
    // A fixed answer of the synchronisation, read after the time the line needs to carry it;
    // what is still missing then is waited for a little longer, within a fixed bound.
    aErr Response(std::string& answer, std::string_view expected);
    // Reads until every character of `text` came back in order or the tries are spent; any
    // other byte costs a try.
    aErr GetEcho(std::string_view text, size_t& matched);

    aErr sync();
    aErr unlock();
    aErr setEcho(bool on);
    aErr prepare(uint32_t firstSector, uint32_t lastSector);
    aErr erase(uint32_t firstSector, uint32_t lastSector);
    // Writes data.size() bytes to RAM; the size must be a non-zero multiple of 4.
    aErr write(uint32_t ramAddress, std::span<const uint8_t> data);
    // The flash address must lie on a 256-byte page and the count be 256, 512, 1024 or 4096.
    aErr copy(uint32_t flashAddress, uint32_t ramAddress, uint32_t count);
    // Starts the code at the address; the chip leaves its boot loader and answers no more.
    aErr go(uint32_t address);
    aErr readSerialNumber(IspIdentification& words);

private:
    struct StreamCloser {
        void operator()(aStream* stream) const { aStream_Destroy(&stream); }
    };

    // One read of one byte: aErrNotReady when nothing came within the stream's short wait.
    aErr readByte(uint8_t& byte);
    aErr writeText(std::string_view text);
    // aErrIO, logged for `sender`, unless the echo of all of `text` comes back.
    aErr expectEcho(std::string_view text, const char* sender);
    // Sends a command and checks its return code.
    aErr runCommand(const std::string& line);
    aErr readReturnCode(const char* context);
    // One checkpoint of a write: sends the sum of the lines since the last one and reads the
    // answer.
    enum class Checkpoint { Accepted, Resend };
    aErr checkpoint(uint32_t sum, Checkpoint& outcome);
    aErr sendDataLine(std::span<const uint8_t> bytes);

    UpdaterDisplayInterface* display_;
    std::unique_ptr<aStream, StreamCloser> stream_;
    bool echo_ = true;
    uint32_t baud_ = 0;
    std::string portName_;
    IspIdentification identification_{};
};
