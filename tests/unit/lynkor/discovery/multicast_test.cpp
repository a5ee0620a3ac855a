// The exported multicast sockets.
#include <arpa/inet.h>
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>

#include "lynkor/aDiscovery.h"
#include "support/private_network.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr const char* kGroup = "239.77.1.2";
constexpr uint16_t kPort = 47123;

uint32_t address(const char* text) {
    in_addr value{};
    inet_pton(AF_INET, text, &value);
    return value.s_addr;
}

TEST(Multicast, SenderReachesReceiverOnLoopback) {
    REQUIRE_PRIVATE_NETWORK();
    aMulticast* receiver = aMulticast_Create(0, kGroup, kPort, false);
    aMulticast* sender = aMulticast_Create(address("127.0.0.1"), kGroup, kPort, true);
    ASSERT_NE(receiver, nullptr);
    ASSERT_NE(sender, nullptr);

    const uint8_t message[5] = {1, 2, 3, 4, 5};
    EXPECT_EQ(aMulticast_Send(sender, message, sizeof message), 5);
    uint8_t received[16] = {};
    EXPECT_EQ(aMulticast_Receive(receiver, received, sizeof received), 5);
    EXPECT_EQ(std::memcmp(received, message, sizeof message), 0);

    // A longer datagram is cut to the buffer.
    EXPECT_EQ(aMulticast_Send(sender, message, sizeof message), 5);
    uint8_t small[2] = {};
    EXPECT_EQ(aMulticast_Receive(receiver, small, sizeof small), 2);
    EXPECT_EQ(small[1], 2);

    EXPECT_EQ(aMulticast_Destroy(&sender), 0);
    EXPECT_EQ(sender, nullptr);
    EXPECT_EQ(aMulticast_Destroy(&receiver), 0);
    EXPECT_EQ(receiver, nullptr);
}

TEST(Multicast, DirectionNullHandlesAndTimeOut) {
    REQUIRE_PRIVATE_NETWORK();
    aMulticast* receiver = aMulticast_Create(address("127.0.0.1"), kGroup, kPort + 1, false);
    aMulticast* sender = aMulticast_Create(address("127.0.0.1"), kGroup, kPort + 1, true);
    ASSERT_NE(receiver, nullptr);
    ASSERT_NE(sender, nullptr);
    uint8_t bytes[4] = {};
    EXPECT_EQ(aMulticast_Send(receiver, bytes, sizeof bytes), aMULTICAST_WRONG_DIRECTION);
    EXPECT_EQ(aMulticast_Receive(sender, bytes, sizeof bytes), aMULTICAST_WRONG_DIRECTION);
    EXPECT_EQ(aMulticast_Send(nullptr, bytes, sizeof bytes), aMULTICAST_NULL_HANDLE);
    EXPECT_EQ(aMulticast_Receive(nullptr, bytes, sizeof bytes), aMULTICAST_NULL_HANDLE);

    const auto start = Clock::now();
    EXPECT_EQ(aMulticast_Receive(receiver, bytes, sizeof bytes), aMULTICAST_SOCKET_ERROR);
    const auto waited = Clock::now() - start;
    EXPECT_GE(waited, std::chrono::milliseconds(900));
    EXPECT_LT(waited, std::chrono::milliseconds(3000));

    aMulticast* none = nullptr;
    EXPECT_EQ(aMulticast_Destroy(&none), aMULTICAST_NULL_HANDLE);
    EXPECT_EQ(aMulticast_Destroy(nullptr), aMULTICAST_NULL_HANDLE);
    aMulticast_Destroy(&sender);
    aMulticast_Destroy(&receiver);
}

TEST(Multicast, CreateRefusesBadGroupsAndBusyPorts) {
    REQUIRE_PRIVATE_NETWORK();
    EXPECT_EQ(aMulticast_Create(0, nullptr, kPort, true), nullptr);
    EXPECT_EQ(aMulticast_Create(0, "not-a-group", kPort, true), nullptr);
    EXPECT_EQ(aMulticast_Create(0, "10.77.0.1", kPort, true), nullptr) << "not a group address";
    // Receivers do not share a port.
    aMulticast* first = aMulticast_Create(0, kGroup, kPort + 2, false);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(aMulticast_Create(0, kGroup, kPort + 2, false), nullptr);
    aMulticast_Destroy(&first);
}

}  // namespace
