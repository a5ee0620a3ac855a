// Several links made, used and destroyed at once from several threads (run under
// ThreadSanitizer by scripts/sanitize.sh thread).
#include <arpa/inet.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <barrier>
#include <thread>
#include <vector>

#include "lynkor/aLink.h"
#include "support/device_sim.h"
#include "support/packet_ptr.h"

namespace {

using testing_support::DeviceSim;

const uint32_t kLoopback = htonl(INADDR_LOOPBACK);

using testing_support::PacketPtr;

uint8_t s_isEcho(const aPacket* packet, void*) {
    return packet->data_size >= 1 && packet->data[0] == 23;
}

TEST(LinkConcurrency, LinksCreatedUsedAndDestroyedFromSeveralThreadsAtOnce) {
    DeviceSim sim({"--heartbeat-ms", "20", "--device", "00000011", "--address", "2", "--device",
                   "00000012", "--address", "4", "--device", "00000013", "--address", "6"});
    const std::vector<std::pair<uint32_t, int>> devices = {{0x11, sim.tcpPort("00000011")},
                                                           {0x12, sim.tcpPort("00000012")},
                                                           {0x13, sim.tcpPort("00000013")}};
    std::atomic<int> failures{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 6; ++t) {
        threads.emplace_back([&, t] {
            // Two threads per device: their links are shared, and come and go under each other.
            const auto [serial, port] = devices[static_cast<size_t>(t) % devices.size()];
            const uint8_t address = static_cast<uint8_t>(2 * (serial - 0x10));
            for (int round = 0; round < 4; ++round) {
                aLinkRef link = aLink_CreateTCPIP(serial, kLoopback, static_cast<uint32_t>(port));
                if (link == 0) {
                    ++failures;
                    continue;
                }
                const uint8_t data[2] = {23, static_cast<uint8_t>(t)};
                PacketPtr request(aPacket_CreateWithData(address, 2, data));
                aLink_PutPacket(link, request.get());
                PacketPtr reply(aLink_AwaitFirst(link, s_isEcho, nullptr, 500));
                aLink_GetStatus(link);
                if (aLink_Destroy(&link) != aErrNone || link != 0) {
                    ++failures;
                }
            }
        });
    }
    for (auto& thread : threads) {
        thread.join();
    }
    EXPECT_EQ(failures, 0);
    for (const auto& [serial, port] : devices) {
        char text[9];
        std::snprintf(text, sizeof text, "%08X", serial);
        EXPECT_GE(sim.stats(text)["route_off"], 1);
    }
}

// Callers that ask for the same device at the same moment must all get the one link, never a
// second link (a second connection, or for USB a claim that fails) beside the first.
TEST(LinkConcurrency, SimultaneousCreatorsOfOneDeviceShareOneLink) {
    DeviceSim sim({"--heartbeat-ms", "0", "--device", "00000021", "--address", "2"});
    const auto port = static_cast<uint32_t>(sim.tcpPort("00000021"));
    constexpr int kCreators = 6;
    for (int round = 0; round < 5; ++round) {
        std::vector<aLinkRef> links(kCreators, 0);
        std::barrier start(kCreators);
        std::vector<std::thread> threads;
        for (int t = 0; t < kCreators; ++t) {
            threads.emplace_back([&, t] {
                start.arrive_and_wait();
                links[static_cast<size_t>(t)] = aLink_CreateTCPIP(0x21, kLoopback, port);
            });
        }
        for (auto& thread : threads) {
            thread.join();
        }
        EXPECT_NE(links.front(), 0u);
        EXPECT_EQ(std::count(links.begin(), links.end(), links.front()), kCreators)
            << "round " << round;
        for (aLinkRef link : links) {
            aLink_Destroy(&link);
        }
    }
}

}  // namespace
