#include "paced_line.h"

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <optional>
#include <stdexcept>
#include <utility>

#include "stop_signals.h"

namespace isp_sim {
namespace {

constexpr int kBitsPerCharacter = 10;
constexpr size_t kReadSize = 4096;

constexpr std::array<std::pair<speed_t, uint32_t>, 12> kSpeeds = {{
    {B1200, 1200},
    {B2400, 2400},
    {B4800, 4800},
    {B9600, 9600},
    {B19200, 19200},
    {B38400, 38400},
    {B57600, 57600},
    {B115200, 115200},
    {B230400, 230400},
    {B460800, 460800},
    {B500000, 500000},
    {B921600, 921600},
}};

}  // namespace

PacedLine::PacedLine(BootRom& rom, bool paced, FILE* capture)
    : rom_(rom), paced_(paced), capture_(capture) {
    master_ = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC | O_NONBLOCK);
    if (master_ < 0 || grantpt(master_) != 0 || unlockpt(master_) != 0 ||
        ptsname(master_) == nullptr) {
        throw std::runtime_error("cannot create a pseudo-terminal");
    }
    path_ = ptsname(master_);
    terminal_ = open(path_.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    termios settings{};
    if (terminal_ < 0 || tcgetattr(terminal_, &settings) != 0) {
        throw std::runtime_error("cannot open " + path_);
    }
    // Raw from the start: the line discipline must not echo or edit what passes.
    cfmakeraw(&settings);
    tcsetattr(terminal_, TCSANOW, &settings);
    signalFd_ = sim::watchStopSignals();
}

PacedLine::~PacedLine() {
    for (int fd : {signalFd_, terminal_, master_}) {
        if (fd >= 0) {
            close(fd);
        }
    }
}

uint32_t PacedLine::hostRate() const {
    termios settings{};
    if (tcgetattr(master_, &settings) != 0) {
        return 0;
    }
    const speed_t speed = cfgetospeed(&settings);
    for (const auto& [code, rate] : kSpeeds) {
        if (code == speed) {
            return rate;
        }
    }
    return 0;
}

PacedLine::Clock::duration PacedLine::characterTime(uint32_t rate) const {
    if (!paced_ || rate == 0) {
        return Clock::duration::zero();
    }
    return std::chrono::duration_cast<Clock::duration>(
        std::chrono::nanoseconds(1'000'000'000LL * kBitsPerCharacter / rate));
}

void PacedLine::readHost(Clock::time_point now) {
    uint8_t buffer[kReadSize];
    const ssize_t count = read(master_, buffer, sizeof buffer);
    if (count <= 0) {
        return;
    }
    // The host sets its rate before it sends; what it sent in one go went at one rate.
    rate_ = hostRate();
    if (capture_ != nullptr) {
        fwrite(buffer, 1, static_cast<size_t>(count), capture_);
        fflush(capture_);
    }
    const Clock::duration each = characterTime(rate_);
    for (ssize_t i = 0; i < count; ++i) {
        inputFree_ = std::max(inputFree_, now) + each;
        incoming_.push_back({buffer[i], rate_, inputFree_});
    }
}

void PacedLine::deliverDue(Clock::time_point now) {
    while (!incoming_.empty() && incoming_.front().due <= now) {
        const Incoming next = incoming_.front();
        incoming_.pop_front();
        rom_.receive(next.byte, next.rate);
        queueOutput(rom_.takeOutput(), next.due);
    }
    if (rom_.babbling() && outgoing_.size() < kBabbleAhead) {
        queueOutput(BootRom::babble(kBabbleAhead), now);
    }
}

void PacedLine::queueOutput(const std::string& text, Clock::time_point now) {
    const Clock::duration each = characterTime(rate_);
    for (char c : text) {
        outputFree_ = std::max(outputFree_, now) + each;
        outgoing_.push_back({c, outputFree_});
    }
}

bool PacedLine::writeDue(Clock::time_point now) {
    std::string due;
    for (const Outgoing& next : outgoing_) {
        if (next.due > now) {
            break;
        }
        due.push_back(next.byte);
    }
    if (due.empty()) {
        return true;
    }
    const ssize_t written = write(master_, due.data(), due.size());
    if (written < 0) {
        return errno != EAGAIN;
    }
    outgoing_.erase(outgoing_.begin(), outgoing_.begin() + written);
    return static_cast<size_t>(written) == due.size();
}

void PacedLine::run() {
    bool writable = true;
    for (;;) {
        Clock::time_point now = Clock::now();
        deliverDue(now);
        if (writable) {
            writable = writeDue(now);
        }
        std::optional<Clock::time_point> wake;
        if (!incoming_.empty()) {
            wake = incoming_.front().due;
        }
        if (writable && !outgoing_.empty()) {
            wake = wake ? std::min(*wake, outgoing_.front().due) : outgoing_.front().due;
        }
        timespec timeout{};
        timespec* timeoutPointer = nullptr;
        if (wake) {
            const auto left = std::max<Clock::duration>(*wake - Clock::now(), {});
            const auto nanoseconds = std::chrono::duration_cast<std::chrono::nanoseconds>(left);
            timeout.tv_sec = static_cast<time_t>(nanoseconds.count() / 1'000'000'000);
            timeout.tv_nsec = static_cast<long>(nanoseconds.count() % 1'000'000'000);
            timeoutPointer = &timeout;
        }
        pollfd fds[2] = {{signalFd_, POLLIN, 0},
                         {master_, static_cast<short>(POLLIN | (writable ? 0 : POLLOUT)), 0}};
        if (ppoll(fds, 2, timeoutPointer, nullptr) < 0) {
            continue;
        }
        if (fds[0].revents != 0) {
            return;
        }
        if ((fds[1].revents & POLLOUT) != 0) {
            writable = true;
        }
        if ((fds[1].revents & POLLIN) != 0) {
            readHost(Clock::now());
        }
    }
}

}  // namespace isp_sim
