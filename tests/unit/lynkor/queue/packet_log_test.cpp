#include <gtest/gtest.h>

#include <deque>
#include <random>
#include <vector>

#include "lynkor/aPacketLog.h"

namespace {

struct LogDeleter {
    void operator()(aPacketLog* log) const { aPacketLog_Destroy(&log); }
};
using LogPtr = std::unique_ptr<aPacketLog, LogDeleter>;

struct Record {
    uint8_t mark;
    std::vector<uint8_t> payload;
    bool operator==(const Record&) const = default;
};

aErr put(aPacketLog* log, const Record& record) {
    return aPacketLog_Put(log, record.mark, static_cast<uint8_t>(record.payload.size()),
                          record.payload.data());
}

Record get(aPacketLog* log, aErr* result) {
    Record record{0, std::vector<uint8_t>(255)};
    uint32_t length = 255;
    *result = aPacketLog_Get(log, &record.mark, &length, record.payload.data());
    record.payload.resize(*result == aErrNone ? length : 0);
    return record;
}

Record filled(uint8_t mark, size_t length) {
    Record record{mark, std::vector<uint8_t>(length)};
    for (size_t i = 0; i < length; ++i) {
        record.payload[i] = static_cast<uint8_t>(mark + i);
    }
    return record;
}

TEST(PacketLog, RingKeepsOneByteFree) {
    LogPtr log(aPacketLog_Create(16));
    ASSERT_TRUE(log);
    EXPECT_EQ(log->enabled, 0);
    EXPECT_EQ(put(log.get(), filled(1, 13)), aErrNone);
    EXPECT_EQ(put(log.get(), filled(2, 14)), aErrOverrun);
    aErr result = aErrNone;
    // The refused record stored nothing and dropped nothing.
    EXPECT_EQ(get(log.get(), &result), filled(1, 13));
    EXPECT_EQ(result, aErrNone);
    get(log.get(), &result);
    EXPECT_EQ(result, aErrNotFound);
}

TEST(PacketLog, FullRingDropsItsOldestRecords) {
    LogPtr log(aPacketLog_Create(16));
    for (uint8_t mark = 1; mark <= 3; ++mark) {
        ASSERT_EQ(put(log.get(), filled(mark, 5)), aErrNone);
    }
    aErr result = aErrNone;
    EXPECT_EQ(get(log.get(), &result), filled(2, 5));
    EXPECT_EQ(get(log.get(), &result), filled(3, 5));
    get(log.get(), &result);
    EXPECT_EQ(result, aErrNotFound);
}

TEST(PacketLog, ShortBufferLeavesTheRecordAndTellsItsLength) {
    LogPtr log(aPacketLog_Create(64));
    ASSERT_EQ(put(log.get(), filled(7, 4)), aErrNone);
    uint8_t mark = 0;
    uint8_t buffer[3];
    uint32_t length = sizeof buffer;
    EXPECT_EQ(aPacketLog_Get(log.get(), &mark, &length, buffer), aErrOverrun);
    EXPECT_EQ(length, 4u);
    aErr result = aErrNone;
    EXPECT_EQ(get(log.get(), &result), filled(7, 4));
    EXPECT_EQ(result, aErrNone);
}

TEST(PacketLog, RecordsSurviveWrappingAroundTheRing) {
    // An odd ring size makes records straddle the end at every offset.
    LogPtr log(aPacketLog_Create(97));
    std::deque<Record> model;
    std::mt19937 random(12345);
    for (int round = 0; round < 5000; ++round) {
        if (random() % 3 != 0) {
            const Record record = filled(static_cast<uint8_t>(round), random() % 40);
            ASSERT_EQ(put(log.get(), record), aErrNone);
            model.push_back(record);
            size_t used = 0;
            for (const auto& kept : model) {
                used += kept.payload.size() + 2;
            }
            while (used > 96) {
                used -= model.front().payload.size() + 2;
                model.pop_front();
            }
        } else {
            aErr result = aErrNone;
            const Record got = get(log.get(), &result);
            if (model.empty()) {
                ASSERT_EQ(result, aErrNotFound);
            } else {
                ASSERT_EQ(result, aErrNone);
                ASSERT_EQ(got, model.front()) << "round " << round;
                model.pop_front();
            }
        }
    }
}

TEST(PacketLog, BadArgumentsAreRefused) {
    EXPECT_EQ(aPacketLog_Create(0), nullptr);
    aPacketLog* none = nullptr;
    EXPECT_EQ(aPacketLog_Destroy(&none), aErrNone);
    EXPECT_EQ(aPacketLog_Destroy(nullptr), aErrNone);
    LogPtr log(aPacketLog_Create(8));
    EXPECT_EQ(aPacketLog_Put(log.get(), 1, 3, nullptr), aErrParam);
    EXPECT_EQ(aPacketLog_Put(nullptr, 1, 0, nullptr), aErrParam);
    EXPECT_EQ(aPacketLog_Put(log.get(), 1, 0, nullptr), aErrNone);
    uint8_t mark = 0;
    uint32_t length = 0;
    EXPECT_EQ(aPacketLog_Get(log.get(), &mark, nullptr, nullptr), aErrParam);
    EXPECT_EQ(aPacketLog_Get(log.get(), &mark, &length, nullptr), aErrNone);
    EXPECT_EQ(mark, 1);
    EXPECT_EQ(length, 0u);
}

}  // namespace
