#pragma once

#include <string>
#include <vector>

namespace testing_support {

// A connection to a simulator's line-based control socket on 127.0.0.1.
class ControlClient {
public:
    // Throws when the socket cannot be reached.
    explicit ControlClient(int port);
    ~ControlClient();
    ControlClient(const ControlClient&) = delete;
    ControlClient& operator=(const ControlClient&) = delete;

    // Sends one request; returns the answer lines, "ok" or "error ..." last. Throws when no
    // answer comes within 10 seconds.
    std::vector<std::string> request(const std::string& line);

private:
    int fd_ = -1;
    std::string pending_;
};

// The port of a "control 127.0.0.1:<port>" line's endpoint.
int endpointPort(const std::string& endpoint);

}  // namespace testing_support
