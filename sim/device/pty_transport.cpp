#include "pty_transport.h"

#include <fcntl.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

#include <stdexcept>

namespace sim {

PtyTransport::PtyTransport(EventLoop& loop, Device& device) : device_(device) {
    int master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0 || ptsname(master) == nullptr) {
        if (master >= 0) {
            close(master);
        }
        throw std::runtime_error("cannot create a pseudo-terminal");
    }
    path_ = ptsname(master);
    // Raw from the start: no echo of the host's bytes back to it, no line editing.
    slaveFd_ = open(path_.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    termios settings{};
    if (slaveFd_ < 0 || tcgetattr(slaveFd_, &settings) != 0) {
        close(master);
        if (slaveFd_ >= 0) {
            close(slaveFd_);
        }
        throw std::runtime_error("cannot open " + path_);
    }
    cfmakeraw(&settings);
    tcsetattr(slaveFd_, TCSANOW, &settings);
    channel_ = std::make_unique<FdChannel>(
        loop, master, [this](const uint8_t* bytes, size_t count) { onBytes(bytes, count); }, [] {});
    device_.attach(this);
}

PtyTransport::~PtyTransport() {
    device_.detach(this);
    channel_.reset();
    close(slaveFd_);
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
