#include "sdp_rom.h"

#include <algorithm>
#include <cstdio>

namespace sim {
namespace {

enum CommandType : uint16_t {
    kReadRegister = 0x0101,
    kWriteRegister = 0x0202,
    kWriteFile = 0x0404,
    kErrorStatus = 0x0505,
    kJumpAddress = 0x0B0B,
};

// The fields of a command: type, address, format, data count, register value; big-endian.
struct RomCommand {
    uint16_t type = 0;
    uint32_t address = 0;
    uint8_t format = 0;
    uint32_t count = 0;
    uint32_t value = 0;
};

RomCommand s_parse(std::span<const uint8_t> given) {
    uint8_t bytes[kRomCommandSize] = {};
    std::copy_n(given.begin(), std::min(given.size(), kRomCommandSize), bytes);
    RomCommand command;
    command.type = static_cast<uint16_t>(readBigEndian(bytes, 2));
    command.address = readBigEndian(bytes + 2, 4);
    command.format = bytes[6];
    command.count = readBigEndian(bytes + 7, 4);
    command.value = readBigEndian(bytes + 11, 4);
    return command;
}

Bytes s_littleEndian(uint32_t word) {
    return {static_cast<uint8_t>(word), static_cast<uint8_t>(word >> 8),
            static_cast<uint8_t>(word >> 16), static_cast<uint8_t>(word >> 24)};
}

std::string s_event(const char* name, uint32_t address) {
    char text[64];
    std::snprintf(text, sizeof text, "%s %08X", name, address);
    return text;
}

std::string s_event(const char* name, uint32_t address, size_t count) {
    return s_event(name, address) + " " + std::to_string(count);
}

}  // namespace

RomReplies SdpRom::habOnly() const {
    if (behaviour_.silent) {
        return {};
    }
    return {
        {RomReply::Kind::HabMode, s_littleEndian(behaviour_.habClosed ? kHabClosed : kHabOpen)}};
}

RomReplies SdpRom::answer(Bytes payload) const {
    RomReplies replies = habOnly();
    if (replies.empty()) {
        return replies;
    }
    if (behaviour_.shortAnswers && payload.size() > kShortAnswerSize) {
        payload.resize(kShortAnswerSize);
    }
    replies.push_back({RomReply::Kind::Payload, std::move(payload)});
    return replies;
}

RomReplies SdpRom::command(std::span<const uint8_t> bytes) {
    if (jumped_) {
        note("ignored " + std::to_string(bytes.size()));
        return {};
    }
    const RomCommand command = s_parse(bytes);
    switch (command.type) {
        case kErrorStatus:
            note("error_status");
            return answer(s_littleEndian(errorStatus_));
        case kWriteFile:
            note(s_event("write_file", command.address, command.count));
            pendingAddress_ = command.address;
            pendingCount_ = command.count;
            pendingReceived_ = 0;
            dataExpected_ = command.count;
            if (behaviour_.rejectWrites) {
                // Refused at once, before any data; the data that follows is dropped.
                note(s_event("write_refused", command.address));
                errorStatus_ = kWriteRefused;
                pending_ = Pending::RefusedWrite;
                return answer(s_littleEndian(kWriteRefused));
            }
            pending_ = Pending::WriteFile;
            return dataExpected_ == 0 ? finishData() : RomReplies{};
        case kJumpAddress: {
            note(s_event("jump", command.address));
            jumped_ = true;
            RomReplies replies = habOnly();
            if (onJump_) {
                onJump_(command.address);
            }
            return replies;
        }
        case kReadRegister:
            note(s_event("read_register", command.address, command.count));
            return answer(memory(command.address, command.count));
        case kWriteRegister: {
            note(s_event("write_register", command.address, command.value));
            const size_t width = std::clamp<size_t>(command.format / 8, 1, 4);
            for (size_t i = 0; i < width; ++i) {
                memory_[command.address + static_cast<uint32_t>(i)] =
                    static_cast<uint8_t>(command.value >> (8 * i));
            }
            return answer(s_littleEndian(kWriteRegisterComplete));
        }
        default: {
            char text[32];
            std::snprintf(text, sizeof text, "unknown %04X", command.type);
            note(text);
            return {};
        }
    }
}

RomReplies SdpRom::data(std::span<const uint8_t> bytes) {
    const size_t taken = std::min(bytes.size(), dataExpected_);
    if (pending_ == Pending::WriteFile) {
        for (size_t i = 0; i < taken; ++i) {
            memory_[pendingAddress_ + static_cast<uint32_t>(pendingReceived_ + i)] = bytes[i];
        }
    }
    pendingReceived_ += taken;
    dataExpected_ -= taken;
    return dataExpected_ == 0 && pending_ != Pending::None ? finishData() : RomReplies{};
}

RomReplies SdpRom::finishData() {
    const Pending finished = pending_;
    pending_ = Pending::None;
    if (finished != Pending::WriteFile) {
        return {};
    }
    note(s_event("write_complete", pendingAddress_, pendingCount_));
    return answer(s_littleEndian(behaviour_.writeStatus));
}

Bytes SdpRom::memory(uint32_t address, size_t count) const {
    Bytes bytes(count, 0);
    for (auto entry = memory_.lower_bound(address);
         entry != memory_.end() && entry->first - address < count; ++entry) {
        bytes[entry->first - address] = entry->second;
    }
    return bytes;
}

std::vector<std::pair<uint32_t, size_t>> SdpRom::regions() const {
    std::vector<std::pair<uint32_t, size_t>> found;
    for (const auto& [address, byte] : memory_) {
        if (!found.empty() && found.back().first + found.back().second == address) {
            ++found.back().second;
        } else {
            found.emplace_back(address, 1);
        }
    }
    return found;
}

void SdpRom::reset() {
    jumped_ = false;
    pending_ = Pending::None;
    dataExpected_ = 0;
    errorStatus_ = kNoError;
    note("reset");
}

}  // namespace sim
