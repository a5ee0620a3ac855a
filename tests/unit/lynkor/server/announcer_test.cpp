// When the server answers discovery beacons, and the stream batches it collects.
#include <arpa/inet.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "server/announcer.h"
#include "server/stream_batch.h"
#include "server_test_support.h"

namespace {

using namespace lynkor::server;
using namespace server_test;

const uint32_t kLocal = htonl(INADDR_LOOPBACK);
const uint32_t kOtherHost = htonl(0x7F000002);

std::span<const uint8_t> text(const std::string& value) {
    return {reinterpret_cast<const uint8_t*>(value.data()), value.size()};
}

const std::string kDiscovery = "Lynkor2-Discovery";

struct BeaconEvent {
    uint64_t atMs;
    uint32_t sender;
    std::string bytes;
    bool modelKnown;
};

struct AnnounceCase {
    const char* name;
    bool localMode;
    std::vector<BeaconEvent> events;
    // Announcements sent between 0 and 6000 ms, one check per millisecond.
    int announcements;
};

TEST(Announcer, AnswersDiscoveryForTwoSecondsOnceTheModelIsKnown) {
    const AnnounceCase cases[] = {
        {"one discovery", true, {{0, kLocal, kDiscovery, true}}, 21},
        {"model unknown", true, {{0, kLocal, kDiscovery, false}}, 0},
        {"other beacon", true, {{0, kLocal, "Lynkor2-Other", true}}, 0},
        {"repeats while announcing do not extend it",
         true,
         {{0, kLocal, kDiscovery, true}, {1500, kLocal, kDiscovery, true}},
         21},
        {"second discovery after the first ended",
         true,
         {{0, kLocal, kDiscovery, true}, {3000, kLocal, kDiscovery, true}},
         42},
        {"another host in local mode", true, {{0, kOtherHost, kDiscovery, true}}, 0},
        {"another host quiets local mode for 2 s",
         true,
         {{0, kOtherHost, kDiscovery, true},
          {1000, kLocal, kDiscovery, true},
          {2500, kLocal, kDiscovery, true}},
         21},
        {"another host on the network", false, {{0, kOtherHost, kDiscovery, true}}, 21},
    };
    for (const AnnounceCase& c : cases) {
        Announcer announcer(c.localMode, kLocal);
        int sent = 0;
        size_t next = 0;
        for (uint64_t now = 0; now < 6000; ++now) {
            while (next < c.events.size() && c.events[next].atMs == now) {
                const BeaconEvent& event = c.events[next++];
                announcer.onBeacon(event.sender, text(event.bytes), event.modelKnown, now);
            }
            sent += announcer.takeDueAnnouncement(now) ? 1 : 0;
        }
        EXPECT_EQ(sent, c.announcements) << c.name;
    }
}

TEST(StreamBatch, TakesSamplesAndSendsThemAtAHeartbeatOrWhenFull) {
    std::vector<Bytes> batches;
    StreamBatch batch(
        [&](std::span<const uint8_t> bytes) { batches.emplace_back(bytes.begin(), bytes.end()); });
    const Bytes sample = frame(4, {0x10, 0x01, 0x41, 0, 7});
    EXPECT_FALSE(batch.offer(wire(frame(4, {0, 0})))) << "heartbeat with nothing to send";
    EXPECT_TRUE(batches.empty());
    EXPECT_TRUE(batch.offer(wire(sample)));
    EXPECT_TRUE(batch.offer(wire(sample)));
    EXPECT_FALSE(batch.offer(wire(frame(4, {23, 1}))));
    EXPECT_TRUE(batches.empty());
    EXPECT_FALSE(batch.offer(wire(frame(4, {0, 1}))));
    ASSERT_EQ(batches.size(), 1u);
    Bytes two = sample;
    two.insert(two.end(), sample.begin(), sample.end());
    EXPECT_EQ(batches[0], two);

    Bytes big{4, 28, 0x10, 0x01, 0x41};
    big.resize(30, 3);
    for (int i = 0; i < 136; ++i) {
        batch.offer(wire(big));
    }
    ASSERT_EQ(batches.size(), 2u);
    EXPECT_EQ(batches[1].size(), 136u * 30u) << "sent once above 4065 bytes";
}

}  // namespace
