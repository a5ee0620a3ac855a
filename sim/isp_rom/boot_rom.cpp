#include "boot_rom.h"

#include <sstream>

#include "option_values.h"

namespace isp_sim {
namespace {

// Return codes.
constexpr uint32_t kSuccess = 0;
constexpr uint32_t kInvalidCommand = 1;
constexpr uint32_t kSrcAddrError = 2;
constexpr uint32_t kDstAddrError = 3;
constexpr uint32_t kSrcAddrNotMapped = 4;
constexpr uint32_t kDstAddrNotMapped = 5;
constexpr uint32_t kCountError = 6;
constexpr uint32_t kInvalidSector = 7;
constexpr uint32_t kSectorNotPrepared = 9;
constexpr uint32_t kCompareError = 10;
constexpr uint32_t kParamError = 12;
constexpr uint32_t kAddrError = 13;
constexpr uint32_t kAddrNotMapped = 14;
constexpr uint32_t kCmdLocked = 15;
constexpr uint32_t kInvalidCode = 16;

constexpr uint32_t kUnlockCode = 23130;
constexpr uint32_t kFlashPage = 256;
constexpr int kLinesPerChecksum = 20;
constexpr size_t kMaxLine = 256;
constexpr const char* kBootCodeVersion = "2\r\n4\r\n";
constexpr char kBadEchoCharacter = '#';

// The boot loader's numbers are decimal.
constexpr int kDecimal = 10;

// The command's numeric arguments, when it has exactly `count` of them.
bool s_arguments(const std::vector<std::string>& words, size_t count,
                 std::vector<uint32_t>& values) {
    if (words.size() != count + 1) {
        return false;
    }
    values.resize(count);
    for (size_t i = 0; i < count; ++i) {
        if (!sim::readUnsigned(words[i + 1], kDecimal, values[i])) {
            return false;
        }
    }
    return true;
}

bool s_isCopyCount(uint32_t count) {
    return count == 256 || count == 512 || count == 1024 || count == 4096;
}

std::vector<uint8_t> s_uudecode(const std::string& line) {
    std::vector<uint8_t> bytes;
    if (line.empty()) {
        return bytes;
    }
    auto value = [&line](size_t index) -> uint32_t {
        return index < line.size() ? static_cast<uint32_t>(line[index] - ' ') & 0x3F : 0;
    };
    const uint32_t length = value(0);
    for (size_t group = 1; bytes.size() < length; group += 4) {
        const uint32_t bits =
            value(group) << 18 | value(group + 1) << 12 | value(group + 2) << 6 | value(group + 3);
        for (int shift = 16; shift >= 0 && bytes.size() < length; shift -= 8) {
            bytes.push_back(static_cast<uint8_t>(bits >> shift));
        }
    }
    return bytes;
}

std::vector<std::string> s_words(const std::string& line) {
    std::istringstream in(line);
    std::vector<std::string> words;
    for (std::string word; in >> word;) {
        words.push_back(word);
    }
    return words;
}

}  // namespace

BootRom::BootRom(const RomOptions& options, Recorder record)
    : options_(options), record_(std::move(record)), resendsLeft_(options.resends) {}

std::string BootRom::takeOutput() {
    std::string taken;
    taken.swap(output_);
    return taken;
}

std::string BootRom::babble(size_t count) {
    static constexpr char kNoise[] = "~#%&*+<>@^`|";
    std::string noise;
    for (size_t i = 0; i < count; ++i) {
        noise.push_back(kNoise[i % (sizeof kNoise - 1)]);
    }
    return noise;
}

void BootRom::receive(uint8_t byte, uint32_t rate) {
    if (options_.silent || babbling_ || state_ == State::Running) {
        return;
    }
    if (state_ == State::AwaitingSync) {
        // Auto-baud: the chip measures "?" and keeps that rate.
        if (byte == '?') {
            lockedRate_ = rate;
            record_("sync " + std::to_string(rate));
            output_ += options_.syncText.value_or("Synchronized") + "\r\n";
            state_ = State::AwaitingSynchronized;
        }
        return;
    }
    if (rate != lockedRate_) {
        if (!inNoise_) {
            record_("noise " + std::to_string(rate));
        }
        inNoise_ = true;
        return;
    }
    inNoise_ = false;
    echo(byte);
    if (line_.size() < kMaxLine) {
        line_.push_back(static_cast<char>(byte));
    }
    if (byte != '\n') {
        return;
    }
    std::string line;
    line.swap(line_);
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) {
        line.pop_back();
    }
    onLine(line);
}

void BootRom::echo(uint8_t byte) {
    if (!echo_) {
        return;
    }
    const bool commandMode =
        state_ != State::AwaitingSynchronized && state_ != State::AwaitingCrystal;
    if (options_.badEcho && commandMode && line_.empty()) {
        output_.push_back(byte == kBadEchoCharacter ? '%' : kBadEchoCharacter);
        return;
    }
    output_.push_back(static_cast<char>(byte));
}

void BootRom::restartSync() {
    state_ = State::AwaitingSync;
    lockedRate_ = 0;
}

void BootRom::onLine(const std::string& line) {
    switch (state_) {
        case State::AwaitingSynchronized:
            if (line != "Synchronized") {
                record_("sync refused " + line);
                restartSync();
                return;
            }
            output_ += "OK\r\n";
            state_ = State::AwaitingCrystal;
            return;
        case State::AwaitingCrystal: {
            uint32_t kiloHertz = 0;
            if (!sim::readUnsigned(line, kDecimal, kiloHertz)) {
                record_("sync refused " + line);
                restartSync();
                return;
            }
            record_("crystal " + line);
            output_ += "OK\r\n";
            state_ = State::Command;
            return;
        }
        case State::Command:
            onCommand(line);
            return;
        case State::WriteData:
            onDataLine(line);
            return;
        case State::WriteChecksum:
            onChecksum(line);
            return;
        default:
            return;
    }
}

void BootRom::onCommand(const std::string& line) {
    if (options_.babble) {
        record_("babble");
        babbling_ = true;
        return;
    }
    const std::vector<std::string> words = s_words(line);
    if (words.empty()) {
        return;
    }
    std::string extra;
    uint32_t code = 0;
    const auto injected = options_.returnCodes.find(words[0].size() == 1 ? words[0][0] : '\0');
    if (injected != options_.returnCodes.end()) {
        code = injected->second;
    } else {
        code = execute(words, extra);
    }
    record_("command " + line + " => " + std::to_string(code));
    output_ += std::to_string(code) + "\r\n" + extra;
}

uint32_t BootRom::execute(const std::vector<std::string>& words, std::string& extra) {
    if (words[0].size() != 1) {
        return kInvalidCommand;
    }
    std::vector<uint32_t> args;
    switch (words[0][0]) {
        case 'U':
            if (!s_arguments(words, 1, args)) {
                return kParamError;
            }
            if (args[0] != kUnlockCode) {
                return kInvalidCode;
            }
            unlocked_ = true;
            return kSuccess;
        case 'A':
            if (!s_arguments(words, 1, args) || args[0] > 1) {
                return kParamError;
            }
            echo_ = args[0] == 1;
            return kSuccess;
        case 'P':
        case 'E':
            if (!s_arguments(words, 2, args)) {
                return kParamError;
            }
            if (args[0] > args[1] || args[1] >= ChipMemory::kSectorCount) {
                return kInvalidSector;
            }
            if (words[0][0] == 'P') {
                memory_.prepare(args[0], args[1]);
                return kSuccess;
            }
            if (!unlocked_) {
                return kCmdLocked;
            }
            if (!memory_.prepared(args[0], args[1])) {
                return kSectorNotPrepared;
            }
            memory_.erase(args[0], args[1]);
            return kSuccess;
        case 'W':
            if (!s_arguments(words, 2, args)) {
                return kParamError;
            }
            if (args[0] % 4 != 0) {
                return kAddrError;
            }
            if (args[1] % 4 != 0) {
                return kCountError;
            }
            if (!memory_.inRam(args[0], args[1])) {
                return kAddrNotMapped;
            }
            write_ = WriteCommand{args[0], args[1], 0, {}, 0};
            if (args[1] > 0) {
                state_ = State::WriteData;
            }
            return kSuccess;
        case 'C': {
            if (!s_arguments(words, 3, args)) {
                return kParamError;
            }
            const uint32_t flash = args[0];
            const uint32_t ram = args[1];
            const uint32_t count = args[2];
            if (!unlocked_) {
                return kCmdLocked;
            }
            if (flash % kFlashPage != 0) {
                return kDstAddrError;
            }
            if (ram % 4 != 0) {
                return kSrcAddrError;
            }
            if (!s_isCopyCount(count)) {
                return kCountError;
            }
            if (!memory_.inFlash(flash, count)) {
                return kDstAddrNotMapped;
            }
            if (!memory_.inRam(ram, count)) {
                return kSrcAddrNotMapped;
            }
            if (!memory_.prepared(ChipMemory::sectorOf(flash),
                                  ChipMemory::sectorOf(flash + count - 1))) {
                return kSectorNotPrepared;
            }
            memory_.program(flash, ram, count);
            return kSuccess;
        }
        case 'G': {
            uint32_t address = 0;
            if (words.size() != 3 || !sim::readUnsigned(words[1], kDecimal, address) ||
                (words[2] != "T" && words[2] != "A")) {
                return kParamError;
            }
            if (!unlocked_) {
                return kCmdLocked;
            }
            state_ = State::Running;
            return kSuccess;
        }
        case 'N':
            for (uint32_t word : options_.identification) {
                extra += std::to_string(word) + "\r\n";
            }
            return words.size() == 1 ? kSuccess : kParamError;
        case 'J':
            extra = std::to_string(options_.partId) + "\r\n";
            return words.size() == 1 ? kSuccess : kParamError;
        case 'K':
            extra = kBootCodeVersion;
            return words.size() == 1 ? kSuccess : kParamError;
        case 'M':
            if (!s_arguments(words, 3, args)) {
                return kParamError;
            }
            return compare(args[0], args[1], args[2], extra);
        default:
            return kInvalidCommand;
    }
}

uint32_t BootRom::compare(uint32_t first, uint32_t second, uint32_t count, std::string& extra) {
    if (first % 4 != 0) {
        return kSrcAddrError;
    }
    if (second % 4 != 0) {
        return kDstAddrError;
    }
    if (count % 4 != 0) {
        return kCountError;
    }
    if (!memory_.inFlash(first, count) && !memory_.inRam(first, count)) {
        return kSrcAddrNotMapped;
    }
    if (!memory_.inFlash(second, count) && !memory_.inRam(second, count)) {
        return kDstAddrNotMapped;
    }
    for (uint32_t offset = 0; offset < count; ++offset) {
        if (memory_.at(first + offset) != memory_.at(second + offset)) {
            extra = std::to_string(offset) + "\r\n";
            return kCompareError;
        }
    }
    return kSuccess;
}

void BootRom::onDataLine(const std::string& line) {
    std::vector<uint8_t> bytes = s_uudecode(line);
    const uint32_t room =
        write_.count - write_.accepted - static_cast<uint32_t>(write_.pending.size());
    if (bytes.size() > room) {
        bytes.resize(room);
    }
    write_.pending.insert(write_.pending.end(), bytes.begin(), bytes.end());
    ++write_.lines;
    if (write_.lines == kLinesPerChecksum ||
        write_.accepted + write_.pending.size() >= write_.count) {
        state_ = State::WriteChecksum;
    }
}

void BootRom::onChecksum(const std::string& line) {
    uint32_t sum = 0;
    for (uint8_t byte : write_.pending) {
        sum += byte;
    }
    uint32_t received = 0;
    const bool matches = sim::readUnsigned(line, kDecimal, received) && received == sum;
    if (!matches || resendsLeft_ > 0) {
        if (matches) {
            --resendsLeft_;
        }
        record_("checksum " + line + " RESEND");
        output_ += "RESEND\r\n";
        write_.pending.clear();
        write_.lines = 0;
        state_ = State::WriteData;
        return;
    }
    record_("checksum " + line + " OK");
    for (size_t i = 0; i < write_.pending.size(); ++i) {
        memory_.at(write_.address + write_.accepted + static_cast<uint32_t>(i)) = write_.pending[i];
    }
    write_.accepted += static_cast<uint32_t>(write_.pending.size());
    write_.pending.clear();
    write_.lines = 0;
    output_ += "OK\r\n";
    state_ = write_.accepted >= write_.count ? State::Command : State::WriteData;
}

}  // namespace isp_sim
