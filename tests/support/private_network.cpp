#include "support/private_network.h"

#include <fcntl.h>
#include <sched.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

#include "support/process.h"

namespace testing_support {

namespace {

bool s_available = false;
std::string s_reason = "not set up";

std::string s_ipProgram() {
    for (const char* path : {"/usr/sbin/ip", "/sbin/ip", "/usr/bin/ip", "/bin/ip"}) {
        if (access(path, X_OK) == 0) {
            return path;
        }
    }
    return {};
}

bool s_writeFile(const char* path, const std::string& text) {
    const int fd = open(path, O_WRONLY | O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    const bool written = write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
    close(fd);
    return written;
}

// Without root, a user namespace makes us root of the new network namespace (as unshare -rn).
bool s_unshareAsUser() {
    const uid_t uid = getuid();
    const gid_t gid = getgid();
    if (unshare(CLONE_NEWUSER | CLONE_NEWNET) != 0) {
        return false;
    }
    s_writeFile("/proc/self/setgroups", "deny");
    return s_writeFile("/proc/self/uid_map", "0 " + std::to_string(uid) + " 1") &&
           s_writeFile("/proc/self/gid_map", "0 " + std::to_string(gid) + " 1");
}

bool s_run(const std::string& ip, const std::vector<std::string>& arguments) {
    std::vector<std::string> argv{ip};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    const auto result = testing_support::runProcess(argv);
    if (result.exitStatus != 0) {
        s_reason = "ip " + arguments.front() + " failed: " + result.standardError;
        return false;
    }
    return true;
}

}  // namespace

void PrivateNetwork::SetUp() {
    const std::string ip = s_ipProgram();
    if (ip.empty()) {
        s_reason = "the ip program (iproute2) is missing";
        return;
    }
    if (unshare(CLONE_NEWNET) != 0 && !s_unshareAsUser()) {
        s_reason = std::string("cannot make a network namespace: ") + std::strerror(errno);
        return;
    }
    s_available = s_run(ip, {"link", "set", "lo", "up", "multicast", "on"}) &&
                  s_run(ip, {"address", "add", "127.0.0.2/8", "dev", "lo"}) &&
                  s_run(ip, {"link", "add", "veth0", "type", "veth", "peer", "name", "veth1"}) &&
                  s_run(ip, {"address", "add", "10.77.0.1/24", "broadcast", "+", "dev", "veth0"}) &&
                  s_run(ip, {"address", "add", "10.77.0.2/24", "broadcast", "+", "dev", "veth1"}) &&
                  s_run(ip, {"link", "set", "veth0", "up"}) &&
                  s_run(ip, {"link", "set", "veth1", "up"});
}

bool PrivateNetwork::available() {
    return s_available;
}

const std::string& PrivateNetwork::unavailableReason() {
    return s_reason;
}

bool enterEmptyNetwork() {
    return unshare(CLONE_NEWNET) == 0;
}

namespace {

[[maybe_unused]] testing::Environment* const s_environment =
    testing::AddGlobalTestEnvironment(new PrivateNetwork);

}  // namespace

}  // namespace testing_support
