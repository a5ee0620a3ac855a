#include "pty_transport.h"

namespace sim {

PtyTransport::PtyTransport(EventLoop& loop, Device& device) : device_(device) {
    channel_ = std::make_unique<FdChannel>(
        loop, terminal_.releaseMaster(),
        [this](const uint8_t* bytes, size_t count) { onBytes(bytes, count); }, [] {});
    device_.attach(this);
}

PtyTransport::~PtyTransport() {
    device_.detach(this);
    channel_.reset();
}

void PtyTransport::sendPacket(const Packet& packet) {
    channel_->write(encodeSerialFrame(packet));
}

void PtyTransport::sendRaw(const Bytes& bytes) {
    channel_->write(bytes);
}

bool PtyTransport::hostPresent() const {
    return std::chrono::steady_clock::now() - lastHeard_ < kHostSilenceLimit;
}

void PtyTransport::onBytes(const uint8_t* bytes, size_t count) {
    lastHeard_ = std::chrono::steady_clock::now();
    for (size_t i = 0; i < count; ++i) {
        if (auto packet = decoder_.feed(bytes[i])) {
            device_.receive(*packet, *this);
        }
    }
}

}  // namespace sim
