#include "stop_signals.h"

#include <signal.h>
#include <sys/signalfd.h>

#include <stdexcept>

namespace sim {

int watchStopSignals() {
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGTERM);
    sigaddset(&signals, SIGINT);
    sigprocmask(SIG_BLOCK, &signals, nullptr);
    const int fd = signalfd(-1, &signals, SFD_CLOEXEC | SFD_NONBLOCK);
    if (fd < 0) {
        throw std::runtime_error("cannot watch signals");
    }
    signal(SIGPIPE, SIG_IGN);
    return fd;
}

}  // namespace sim
