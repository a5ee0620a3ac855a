#include "other_process.h"

#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

OtherProcess::OtherProcess(const std::function<bool()>& hold) {
    int held[2];
    int release[2];
    if (pipe(held) != 0 || pipe(release) != 0) {
        return;
    }
    pid_ = fork();
    if (pid_ == 0) {
        close(held[0]);
        close(release[1]);
        const char answer = hold() ? 1 : 0;
        [[maybe_unused]] ssize_t sent = write(held[1], &answer, 1);
        char ignored;
        [[maybe_unused]] ssize_t got = read(release[0], &ignored, 1);
        _exit(0);
    }
    close(held[1]);
    close(release[0]);
    heldFd_ = held[0];
    releaseFd_ = release[1];
}

OtherProcess::~OtherProcess() {
    if (releaseFd_ >= 0) {
        close(releaseFd_);
    }
    if (heldFd_ >= 0) {
        close(heldFd_);
    }
    if (pid_ > 0) {
        pollfd none{};
        for (int i = 0; i < 500 && waitpid(pid_, nullptr, WNOHANG) == 0; ++i) {
            poll(&none, 0, 10);
        }
        if (waitpid(pid_, nullptr, WNOHANG) == 0) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
    }
}

bool OtherProcess::waitUntilHeld() {
    pollfd entry{heldFd_, POLLIN, 0};
    char answer = 0;
    return heldFd_ >= 0 && poll(&entry, 1, 10000) == 1 && read(heldFd_, &answer, 1) == 1 &&
           answer == 1;
}
