#include "support/control_client.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <stdexcept>

namespace testing_support {
namespace {

constexpr int kAnswerTimeoutMs = 10000;

}  // namespace

ControlClient::ControlClient(int port) {
    fd_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(static_cast<uint16_t>(port));
    if (fd_ < 0 || connect(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        if (fd_ >= 0) {
            close(fd_);
        }
        throw std::runtime_error("cannot reach the simulator's control socket");
    }
}

ControlClient::~ControlClient() {
    close(fd_);
}

std::vector<std::string> ControlClient::request(const std::string& request) {
    std::string line = request + "\n";
    if (send(fd_, line.data(), line.size(), MSG_NOSIGNAL) != static_cast<ssize_t>(line.size())) {
        throw std::runtime_error("control request not sent");
    }
    std::vector<std::string> answer;
    while (true) {
        auto newline = pending_.find('\n');
        if (newline != std::string::npos) {
            answer.push_back(pending_.substr(0, newline));
            pending_.erase(0, newline + 1);
            if (answer.back() == "ok" || answer.back().rfind("error", 0) == 0) {
                return answer;
            }
            continue;
        }
        pollfd entry{fd_, POLLIN, 0};
        char buffer[4096];
        ssize_t n =
            poll(&entry, 1, kAnswerTimeoutMs) > 0 ? recv(fd_, buffer, sizeof buffer, 0) : -1;
        if (n <= 0) {
            throw std::runtime_error("no answer from the simulator to: " + request);
        }
        pending_.append(buffer, static_cast<size_t>(n));
    }
}

int endpointPort(const std::string& endpoint) {
    return std::stoi(endpoint.substr(endpoint.rfind(':') + 1));
}

}  // namespace testing_support
