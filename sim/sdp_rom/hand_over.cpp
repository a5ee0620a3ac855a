#include "hand_over.h"

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cstdio>
#include <vector>

extern char** environ;

namespace sim {

HandOver::~HandOver() {
    stop();
}

bool HandOver::start(uint32_t address) {
    stop();
    if (command_.empty()) {
        return true;
    }
    char addressText[16];
    std::snprintf(addressText, sizeof addressText, "%08X", address);
    std::vector<std::string> environment{std::string("SDP_JUMP_ADDRESS=") + addressText};
    for (char** entry = environ; *entry != nullptr; ++entry) {
        environment.emplace_back(*entry);
    }
    std::vector<char*> envp;
    for (std::string& entry : environment) {
        envp.push_back(entry.data());
    }
    envp.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, STDERR_FILENO, STDOUT_FILENO);
    std::string shell = "/bin/sh", flag = "-c";
    char* argv[] = {shell.data(), flag.data(), command_.data(), nullptr};
    // Its own process group, so that stopping it reaches whatever the shell started.
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP);
    posix_spawnattr_setpgroup(&attributes, 0);
    const int spawned = posix_spawn(&pid_, "/bin/sh", &actions, &attributes, argv, envp.data());
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) {
        pid_ = -1;
        return false;
    }
    return true;
}

void HandOver::stop() {
    if (pid_ <= 0) {
        return;
    }
    kill(-pid_, SIGTERM);
    const timespec pause{0, kStopPollMs * 1000000L};
    for (int waited = 0; waited < kStopGraceMs; waited += kStopPollMs) {
        if (waitpid(pid_, nullptr, WNOHANG) != 0) {
            pid_ = -1;
            return;
        }
        nanosleep(&pause, nullptr);
    }
    kill(-pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
    pid_ = -1;
}

}  // namespace sim
