// The boot-loader client against a chip played by the test on the far end of a pseudo-terminal:
// the chip's answers are put on the line before the client asks, and what the client sent is
// read back afterwards.
#include <poll.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "recovery/isp_protocol.h"
#include "recovery/serial_isp.h"
#include "recovery/uuencode.h"
#include "support/pty_pair.h"
#include "unit/updater/recording_display.h"

namespace {

using Clock = std::chrono::steady_clock;

// Well above what a silent chip costs a reader (tries of about 20 ms each), well below a hang.
constexpr auto kSilenceBound = std::chrono::seconds(5);
constexpr uint32_t kRate = 115200;

struct Chip {
    Chip() { EXPECT_EQ(isp.open(pty.terminalName(), kRate), aErrNone); }

    // Turns the client's echo off, as the flash procedure does before it writes.
    void echoOff() {
        pty.send("A 0\r\n0\r\n");
        ASSERT_EQ(isp.setEcho(false), aErrNone);
        ASSERT_EQ(pty.drain(50), "A 0\r\n");
    }

    PtyPair pty;
    RecordingDisplay display;
    SerialIsp isp{&display};
};

// Collects what the client sends while it runs, so that a long write never fills the line.
class LineReader {
public:
    explicit LineReader(PtyPair& pty)
        : pty_(pty), thread_([this, &pty] {
              while (!stop_) {
                  std::string got = pty.drain(10);
                  std::lock_guard lock(mutex_);
                  bytes_ += got;
              }
          }) {}
    ~LineReader() { finish(); }

    std::string finish() {
        stop_ = true;
        if (thread_.joinable()) {
            thread_.join();
            // What came after the thread's last look.
            bytes_ += pty_.drain(50);
        }
        return bytes_;
    }

private:
    PtyPair& pty_;
    std::atomic<bool> stop_{false};
    std::mutex mutex_;
    std::string bytes_;
    std::thread thread_;
};

// A chip that talks without end: one character after another for as long as the line takes
// them, until stopped (or for at most a few seconds, so that a reader that never ends shows as
// a failure rather than a hang).
class Babbler {
public:
    Babbler(PtyPair& pty, char character)
        : thread_([this, fd = pty.controllerFd(), character] {
              const auto end = Clock::now() + kBabbleLimit;
              while (!stop_ && Clock::now() < end) {
                  pollfd entry{fd, POLLOUT, 0};
                  if (poll(&entry, 1, 5) == 1 && write(fd, &character, 1) != 1) {
                      return;
                  }
              }
          }) {}
    ~Babbler() {
        stop_ = true;
        thread_.join();
    }

private:
    static constexpr auto kBabbleLimit = std::chrono::seconds(8);
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

TEST(SerialIspArguments, BadArgumentsAreRefusedBeforeAnythingIsSent) {
    Chip chip;
    const std::vector<uint8_t> six(6, 0x55);
    const struct {
        const char* name;
        aErr result;
    } cases[] = {
        {"write of 6 bytes", chip.isp.write(kIspRamStagingAddress, six)},
        {"write of nothing", chip.isp.write(kIspRamStagingAddress, {})},
        {"copy off a page", chip.isp.copy(0x1080, kIspRamStagingAddress, 256)},
        {"copy of 300 bytes", chip.isp.copy(0x1000, kIspRamStagingAddress, 300)},
        {"copy of 2048 bytes", chip.isp.copy(0x1000, kIspRamStagingAddress, 2048)},
        {"prepare backwards", chip.isp.prepare(5, 3)},
        {"erase backwards", chip.isp.erase(29, 0)},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.result, aErrParam) << c.name;
    }
    EXPECT_EQ(chip.pty.drain(50), "");
}

TEST(SerialIspArguments, PortsThatCannotBeUsedAreReported) {
    RecordingDisplay display;
    SerialIsp isp(&display);
    const std::string tooLong(SerialIsp::kMaxPortName + 1, 'x');
    EXPECT_EQ(isp.open(tooLong, kRate), aErrFileNameLength);
    EXPECT_EQ(isp.open("/dev/no-such-serial-port", kRate), aErrIO);
    EXPECT_FALSE(isp.isOpen());
    ASSERT_EQ(display.errors.size(), 2u);
    EXPECT_EQ(display.errors[0],
              "Error Creating Serial [" + std::string(64, 'x') + "...] ==> aErrFileNameLength");
    EXPECT_EQ(display.errors[1], "Error Creating Serial [/dev/no-such-serial-port] ==> aErrIO");

    // The longest name the path takes is tried as it is, not cut.
    const std::string longest = "/dev/" + std::string(SerialIsp::kMaxPortName - 5, 'y');
    EXPECT_EQ(isp.open(longest, kRate), aErrIO);
}

TEST(SerialIspReturnCodes, OnlyAWholeZeroIsSuccessWithAndWithoutEcho) {
    const struct {
        bool echo;
        std::string answer;
        aErr result;
    } cases[] = {
        {true, "0\r\n", aErrNone},
        {false, "0\r\n", aErrNone},
        {true, "19\r\n", aErrParam},
        {false, "19\r\n", aErrParam},
        // A two-digit code ending in 0 is a failure, however it is read.
        {true, "10\r\n", aErrParam},
        {false, "10\r\n", aErrParam},
        {true, "20\r\n", aErrParam},
        {false, "1\r\n", aErrParam},
        {false, "0 \r\n", aErrParam},
        {false, "x0\r\n", aErrParam},
    };
    for (const auto& c : cases) {
        Chip chip;
        if (!c.echo) {
            chip.echoOff();
        }
        chip.pty.send((c.echo ? "U 23130\r\n" : "") + c.answer);
        EXPECT_EQ(chip.isp.unlock(), c.result) << c.echo << " " << c.answer;
        EXPECT_EQ(chip.pty.drain(50), "U 23130\r\n");
    }
}

TEST(SerialIspReturnCodes, EchoFlagFollowsTheChipOnlyWhenItAgreed) {
    Chip chip;
    chip.pty.send("A 0\r\n15\r\n");
    EXPECT_EQ(chip.isp.setEcho(false), aErrParam);
    EXPECT_TRUE(chip.isp.echo());
    chip.pty.send("A 0\r\n0\r\n");
    EXPECT_EQ(chip.isp.setEcho(false), aErrNone);
    EXPECT_FALSE(chip.isp.echo());
    // Without echo the next command's answer is read straight away.
    chip.pty.send("0\r\n");
    EXPECT_EQ(chip.isp.setEcho(true), aErrNone);
    EXPECT_TRUE(chip.isp.echo());
    EXPECT_EQ(chip.pty.drain(50), "A 0\r\nA 0\r\nA 1\r\n");
}

TEST(SerialIspReaders, SilenceAndBabbleEndEveryReaderInBoundedTime) {
    // A chip character of 0 means silence.
    const struct {
        const char* name;
        char babble;
        std::function<bool(SerialIsp&)> read;
    } cases[] = {
        {"line from silence", 0,
         [](SerialIsp& isp) {
             std::string line;
             isp.GetLine(line, SerialIsp::kLineCapacity, SerialIsp::kCommandTries);
             return line.empty();
         }},
        {"line from endless text", 'x',
         [](SerialIsp& isp) {
             std::string line;
             isp.GetLine(line, SerialIsp::kLineCapacity, SerialIsp::kCommandTries);
             // Room for a terminator always stays.
             return line == std::string(SerialIsp::kLineCapacity - 1, 'x');
         }},
        {"line from endless line feeds", '\n',
         [](SerialIsp& isp) {
             std::string line;
             isp.GetLine(line, SerialIsp::kLineCapacity, SerialIsp::kCommandTries);
             return line.empty();
         }},
        {"echo from endless text", 'z',
         [](SerialIsp& isp) {
             size_t matched = 99;
             return isp.GetEcho("U 23130\r", matched) != aErrNone && matched == 0;
         }},
        {"command from endless text", 'z', [](SerialIsp& isp) { return isp.unlock() == aErrIO; }},
        {"answer from endless line feeds", '\n',
         [](SerialIsp& isp) {
             std::string answer;
             isp.Response(answer, "OK\r\n");
             return answer.empty();
         }},
        {"sync from endless text", 'S', [](SerialIsp& isp) { return isp.sync() != aErrNone; }},
        {"sync from silence", 0, [](SerialIsp& isp) { return isp.sync() == aErrNotReady; }},
    };
    for (const auto& c : cases) {
        Chip chip;
        std::optional<Babbler> babbler;
        if (c.babble != 0) {
            babbler.emplace(chip.pty, c.babble);
        }
        const auto start = Clock::now();
        EXPECT_TRUE(c.read(chip.isp)) << c.name;
        EXPECT_LT(Clock::now() - start, kSilenceBound) << c.name;
    }
}

TEST(SerialIspSync, OnlyTheExactOpeningSynchronises) {
    const std::string good = "Synchronized\r\nSynchronized\r\nOK\r\n14746\r\nOK\r\n";
    const struct {
        std::string chip;
        bool synchronised;
    } cases[] = {
        {good, true},
        // Leading line ends and zero bytes before an answer are tolerated.
        {"\r\n" + good, true},
        {"Synchronised\r\nSynchronised\r\nOK\r\n14746\r\nOK\r\n", false},
        {"Synchronized\r\nSynchronized\r\nKO\r\n14746\r\nOK\r\n", false},
        {"Synchronized\r\nSynchronizeX\r\nOK\r\n14746\r\nOK\r\n", false},
        {"Synchronized\r\nSynchronized\r\nOK\r\n14747\r\nOK\r\n", false},
        {"Synchronized\r\nSynchronized\r\nOK\r\n14746\r\nNO\r\n", false},
        {"Synchronized\r\n", false},
    };
    for (const auto& c : cases) {
        Chip chip;
        chip.pty.send(c.chip);
        EXPECT_EQ(chip.isp.sync() == aErrNone, c.synchronised) << c.chip;
        EXPECT_EQ(chip.pty.drain(50).front(), '?') << c.chip;
    }
    Chip chip;
    chip.pty.send(good);
    ASSERT_EQ(chip.isp.sync(), aErrNone);
    EXPECT_EQ(chip.pty.drain(50), "?Synchronized\r\n14746\r\n");
}

TEST(SerialIspIdentification, FourWholeWordsAfterASuccessCode) {
    const struct {
        std::string chip;
        bool read;
    } cases[] = {
        {"N\r\n0\r\n439041101\r\n1122867\r\n2291772091\r\n3405705229\r\n", true},
        {"N\r\n0\r\n0x1A2B3C4D\r\n1122867\r\n2291772091\r\n3405705229\r\n", true},
        {"N\r\n1\r\n439041101\r\n1122867\r\n2291772091\r\n3405705229\r\n", false},
        {"N\r\n0\r\n439041101\r\n1122867x\r\n2291772091\r\n3405705229\r\n", false},
        {"N\r\n0\r\n439041101\r\n1122867\r\n2291772091\r\n", false},
        {"N\r\n0\r\n439041101\r\n4294967296\r\n2291772091\r\n3405705229\r\n", false},
    };
    for (const auto& c : cases) {
        Chip chip;
        chip.pty.send(c.chip);
        IspIdentification words{};
        EXPECT_EQ(chip.isp.readSerialNumber(words) == aErrNone, c.read) << c.chip;
        if (c.read) {
            EXPECT_EQ(words, (IspIdentification{0x1A2B3C4D, 0x00112233, 0x8899AABB, 0xCAFEF00D}));
            EXPECT_EQ(chip.isp.identification(), words);
        } else {
            EXPECT_EQ(chip.isp.identification(), IspIdentification{});
        }
    }
}

// What the client sends for `data` between two checkpoints: its lines, then their sum.
std::string segment(const std::vector<uint8_t>& data, size_t from, size_t to) {
    std::string sent;
    uint32_t sum = 0;
    for (size_t at = from; at < to; at += kIspBytesPerLine) {
        const size_t length = std::min(kIspBytesPerLine, to - at);
        sent += uuencodeLine(std::span<const uint8_t>(data).subspan(at, length)) + "\r\n";
        for (size_t i = at; i < at + length; ++i) {
            sum += data[i];
        }
    }
    return sent + std::to_string(sum) + "\r\n";
}

TEST(SerialIspWrite, ResendRewindsToTheLastCheckpointWithinItsBudget) {
    std::vector<uint8_t> data(1000);
    for (size_t i = 0; i < data.size(); ++i) {
        data[i] = static_cast<uint8_t>(i * 7 + 3);
    }
    const std::string command = "W 268439552 1000\r\n";
    const std::string first = segment(data, 0, 900);
    const std::string second = segment(data, 900, 1000);
    const struct {
        const char* name;
        std::string answers;
        aErr result;
        std::string sent;
    } cases[] = {
        {"accepted", "0\r\nOK\r\nOK\r\n", aErrNone, command + first + second},
        {"two resends at the first checkpoint", "0\r\nRESEND\r\nRESEND\r\nOK\r\nOK\r\n", aErrNone,
         command + first + first + first + second},
        // A resend of the last lines starts from the checkpoint, with a sum of those lines.
        {"resends at both checkpoints", "0\r\nRESEND\r\nOK\r\nRESEND\r\nOK\r\n", aErrNone,
         command + first + first + second + second},
        {"the third resend", "0\r\nRESEND\r\nOK\r\nRESEND\r\nRESEND\r\n", aErrTimeout,
         command + first + first + second + second},
        {"three resends", "0\r\nRESEND\r\nRESEND\r\nRESEND\r\n", aErrTimeout,
         command + first + first + first},
        {"an unknown answer", "0\r\nOK\r\nWHAT\r\n", aErrIO, command + first + second},
        {"a refused command", "14\r\n", aErrParam, command},
    };
    for (const auto& c : cases) {
        Chip chip;
        chip.echoOff();
        chip.pty.send(c.answers);
        LineReader reader(chip.pty);
        EXPECT_EQ(chip.isp.write(kIspRamStagingAddress, data), c.result) << c.name;
        EXPECT_EQ(reader.finish(), c.sent) << c.name;
    }
}

TEST(SerialIspWrite, WithEchoEveryLineMustComeBack) {
    const std::vector<uint8_t> data = {1, 2, 3, 4, 5, 6, 7, 8};
    const std::string line = uuencodeLine(data) + "\r\n";
    Chip chip;
    chip.pty.send("W 268439552 8\r\n0\r\n" + line + "36\r\nOK\r\n");
    EXPECT_EQ(chip.isp.write(kIspRamStagingAddress, data), aErrNone);
    EXPECT_EQ(chip.pty.drain(50), "W 268439552 8\r\n" + line + "36\r\n");

    Chip wrongEcho;
    wrongEcho.pty.send("W 268439552 8\r\n0\r\n#" + line.substr(1) + "36\r\nOK\r\n");
    EXPECT_EQ(wrongEcho.isp.write(kIspRamStagingAddress, data), aErrIO);
}

}  // namespace
