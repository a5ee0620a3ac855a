#include "serial_rom_port.h"

#include <algorithm>
#include <string>

namespace sim {

SerialRomPort::SerialRomPort(EventLoop& loop, SdpRom& rom) : rom_(rom) {
    channel_ = std::make_unique<FdChannel>(
        loop, terminal_.releaseMaster(),
        [this](const uint8_t* bytes, size_t count) { onBytes(bytes, count); }, [] {});
}

void SerialRomPort::onBytes(const uint8_t* bytes, size_t count) {
    const auto now = std::chrono::steady_clock::now();
    if (!command_.empty() && now - lastByte_ > kPartialCommandTimeout) {
        rom_.note("discarded " + std::to_string(command_.size()));
        command_.clear();
    }
    lastByte_ = now;
    size_t offset = 0;
    while (offset < count) {
        if (rom_.dataExpected() > 0) {
            const size_t taken = std::min(count - offset, rom_.dataExpected());
            send(rom_.data(std::span<const uint8_t>(bytes + offset, taken)));
            offset += taken;
            continue;
        }
        command_.push_back(bytes[offset++]);
        if (command_.size() == kRomCommandSize) {
            const Bytes command = std::move(command_);
            command_.clear();
            send(rom_.command(command));
        }
    }
}

void SerialRomPort::send(const RomReplies& replies) {
    Bytes bytes;
    for (const RomReply& reply : replies) {
        bytes.insert(bytes.end(), reply.bytes.begin(), reply.bytes.end());
    }
    if (!bytes.empty()) {
        channel_->write(bytes);
    }
}

}  // namespace sim

namespace sim {

void SerialRomPort::sendText(const std::string& text) {
    channel_->write(Bytes(text.begin(), text.end()));
}

}  // namespace sim
