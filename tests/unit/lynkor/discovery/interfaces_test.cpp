// Interface addresses, their text form and the beacon interface lock.
#include <arpa/inet.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "lynkor/aDiscovery.h"
#include "support/private_network.h"

namespace {

uint32_t address(const char* text) {
    in_addr value{};
    inet_pton(AF_INET, text, &value);
    return value.s_addr;
}

TEST(IPv4Interfaces, ConvertNeedsRoomForTheLongestAddress) {
    char buffer[32];
    std::memset(buffer, 'x', sizeof buffer);
    EXPECT_EQ(aDiscovery_ConvertIPv4Interface(address("192.168.100.200"), buffer, 21), 0u);
    EXPECT_EQ(buffer[0], 'x') << "nothing may be written into a buffer that is too small";
    EXPECT_EQ(aDiscovery_ConvertIPv4Interface(address("192.168.100.200"), buffer, 22), 15u);
    EXPECT_STREQ(buffer, "192.168.100.200");
    EXPECT_EQ(aDiscovery_ConvertIPv4Interface(address("10.77.0.1"), buffer, sizeof buffer), 9u);
    EXPECT_STREQ(buffer, "10.77.0.1");
    EXPECT_EQ(aDiscovery_ConvertIPv4Interface(address("10.77.0.1"), nullptr, 64), 0u);
}

TEST(IPv4Interfaces, ListsEveryAddressThatIsUpWithinCapacity) {
    REQUIRE_PRIVATE_NETWORK();
    std::vector<uint32_t> list(50);
    const uint32_t count = aDiscovery_GetIPv4Interfaces(list.data(), 50);
    list.resize(count);
    for (const char* expected : {"127.0.0.1", "127.0.0.2", "10.77.0.1", "10.77.0.2"}) {
        EXPECT_NE(std::find(list.begin(), list.end(), address(expected)), list.end()) << expected;
    }
    uint32_t one[2] = {0, 0xFFFFFFFFu};
    EXPECT_EQ(aDiscovery_GetIPv4Interfaces(one, 1), 1u);
    EXPECT_EQ(one[1], 0xFFFFFFFFu) << "capacity exceeded";
    EXPECT_EQ(aDiscovery_GetIPv4Interfaces(nullptr, 10), 0u);
    EXPECT_EQ(aDiscovery_GetIPv4Interfaces(one, 0), 0u);
}

TEST(IPv4Interfaces, NoneWhenNothingIsUp) {
    REQUIRE_PRIVATE_NETWORK();
    uint32_t count = 99;
    std::thread isolated([&] {
        ASSERT_TRUE(testing_support::enterEmptyNetwork());
        uint32_t list[8];
        count = aDiscovery_GetIPv4Interfaces(list, 8);
    });
    isolated.join();
    EXPECT_EQ(count, 0u);
}

TEST(BeaconInterface, SetBackupRestoreAndUnlock) {
    ASSERT_TRUE(zBeaconInterface_setAndLock("*"));
    EXPECT_STREQ(zBeaconInterface_get(), "*");
    EXPECT_EQ(zBeaconInterface_unlock(), 0);

    ASSERT_TRUE(zBeaconInterface_backupSetAndLock("10.77.0.1"));
    EXPECT_STREQ(zBeaconInterface_get(), "10.77.0.1");
    EXPECT_STREQ(zBeaconInterface_getBackup(), "*");
    EXPECT_EQ(zBeaconInterface_restoreAndUnlock(), 0);
    EXPECT_STREQ(zBeaconInterface_get(), "*");

    EXPECT_STREQ(zBeaconInterface_getAndLock(), "*");
    EXPECT_EQ(zBeaconInterface_unlock(), 0);
    EXPECT_STREQ(zBeaconInterface_getBackupAndLock(), "*");
    EXPECT_EQ(zBeaconInterface_unlock(), 0);

    ASSERT_TRUE(zBeaconInterface_setAndLock(""));
    EXPECT_EQ(zBeaconInterface_unlock(), 0);
}

TEST(BeaconInterface, RefusesOtherTextsAndForeignUnlocks) {
    for (const char* text : {"eth0", "10.77.0", "10.77.0.1.5", "localhost"}) {
        EXPECT_FALSE(zBeaconInterface_setAndLock(text)) << text;
        EXPECT_FALSE(zBeaconInterface_backupSetAndLock(text)) << text;
    }
    EXPECT_FALSE(zBeaconInterface_setAndLock(nullptr));
    // Nothing was locked by the refusals, and a thread never unlocks what it does not hold.
    EXPECT_EQ(zBeaconInterface_unlock(), EPERM);
    EXPECT_EQ(zBeaconInterface_restoreAndUnlock(), EPERM);

    ASSERT_TRUE(zBeaconInterface_setAndLock("*"));
    EXPECT_FALSE(zBeaconInterface_setAndLock("*")) << "a second lock by the holder must not hang";
    int foreignUnlock = 0;
    std::thread other([&] { foreignUnlock = zBeaconInterface_unlock(); });
    other.join();
    EXPECT_EQ(foreignUnlock, EPERM);
    EXPECT_EQ(zBeaconInterface_unlock(), 0);
}

TEST(BeaconInterface, SerialisesThreads) {
    ASSERT_TRUE(zBeaconInterface_setAndLock("*"));
    bool otherHasLock = false;
    std::thread other([&] {
        otherHasLock = zBeaconInterface_setAndLock("10.77.0.2");
        zBeaconInterface_unlock();
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_STREQ(zBeaconInterface_get(), "*") << "the other thread set it while we held the lock";
    EXPECT_EQ(zBeaconInterface_unlock(), 0);
    other.join();
    EXPECT_TRUE(otherHasLock);
    EXPECT_STREQ(zBeaconInterface_get(), "10.77.0.2");
    ASSERT_TRUE(zBeaconInterface_setAndLock(""));
    zBeaconInterface_unlock();
}

}  // namespace
