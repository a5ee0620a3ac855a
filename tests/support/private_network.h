// Discovery sends multicast and broadcast datagrams, which must never leave the test. Every test
// that sends runs in a private network namespace that this environment makes before the first
// test: loopback up with multicast on, a second loopback address 127.0.0.2 (the multicast query
// is never sent on 127.0.0.1) and a veth pair 10.77.0.1/24 - 10.77.0.2/24 that can broadcast.
#pragma once

#include <gtest/gtest.h>

#include <string>

namespace testing_support {

class PrivateNetwork : public testing::Environment {
public:
    void SetUp() override;

    // Whether this process now lives in its own network namespace; why not, otherwise.
    static bool available();
    static const std::string& unavailableReason();
};

// Skips the calling test unless the private network is there.
#define REQUIRE_PRIVATE_NETWORK()                                                          \
    do {                                                                                   \
        if (!::testing_support::PrivateNetwork::available()) {                             \
            GTEST_SKIP() << "skipping: no private network namespace ("                     \
                         << ::testing_support::PrivateNetwork::unavailableReason() << ")"; \
        }                                                                                  \
    } while (false)

// Moves the calling thread alone into a further, empty network namespace (loopback down): a
// machine without any usable interface. Threads it starts afterwards live there too.
bool enterEmptyNetwork();

}  // namespace testing_support
