#include "pseudo_terminal.h"

#include <fcntl.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

#include <stdexcept>

namespace sim {

PseudoTerminal::PseudoTerminal() {
    master_ = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (master_ < 0 || grantpt(master_) != 0 || unlockpt(master_) != 0 ||
        ptsname(master_) == nullptr) {
        if (master_ >= 0) {
            close(master_);
        }
        throw std::runtime_error("cannot create a pseudo-terminal");
    }
    path_ = ptsname(master_);
    // Raw from the start: no echo of the host's bytes back to it, no line editing.
    slave_ = open(path_.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    termios settings{};
    if (slave_ < 0 || tcgetattr(slave_, &settings) != 0) {
        close(master_);
        if (slave_ >= 0) {
            close(slave_);
        }
        throw std::runtime_error("cannot open " + path_);
    }
    cfmakeraw(&settings);
    tcsetattr(slave_, TCSANOW, &settings);
}

PseudoTerminal::~PseudoTerminal() {
    if (master_ >= 0) {
        close(master_);
    }
    close(slave_);
}

int PseudoTerminal::releaseMaster() {
    const int master = master_;
    master_ = -1;
    return master;
}

}  // namespace sim
