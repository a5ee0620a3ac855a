// The generic reads and writes over a scripted transport.
#include <gtest/gtest.h>

#include <cstring>

#include "stream_test_support.h"

namespace {

using namespace stream_testing;

TEST(StreamRead, IsAllOrNothingAcrossNotReady) {
    ScriptedTransport source;
    source.bytes("ab");
    source.result(aErrNotReady);
    source.bytes("cd");
    auto stream = scriptedStream(source);

    uint8_t buffer[4] = {'-', '-', '-', '-'};
    EXPECT_EQ(aStream_Read(stream.get(), buffer, 4), aErrNotReady);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(buffer), 4), "----");
    EXPECT_EQ(aStream_Read(stream.get(), buffer, 4), aErrNone);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(buffer), 4), "abcd");
}

TEST(StreamRead, GivesBackLongBlocksWithoutLoss) {
    // Beyond the ring's first allocation, so that it has to grow with its contents in order.
    ScriptedTransport source;
    std::string block;
    for (int i = 0; i < 1500; ++i) {
        block += static_cast<char>('a' + i % 26);
    }
    source.bytes(block.substr(0, 1300));
    source.result(aErrNotReady);
    source.bytes(block.substr(1300));
    auto stream = scriptedStream(source);

    std::vector<uint8_t> buffer(1500);
    EXPECT_EQ(aStream_Read(stream.get(), buffer.data(), 700), aErrNone);
    EXPECT_EQ(aStream_Read(stream.get(), buffer.data() + 700, 800), aErrNotReady);
    EXPECT_EQ(aStream_Read(stream.get(), buffer.data() + 700, 800), aErrNone);
    EXPECT_EQ(text(buffer), block);
}

TEST(StreamRead, EndOfSourceHandsOverWhatCameAndOtherFailuresDropIt) {
    ScriptedTransport ending;
    ending.bytes("xy");
    auto stream = scriptedStream(ending);
    uint8_t buffer[4] = {};
    EXPECT_EQ(aStream_Read(stream.get(), buffer, 4), aErrEOF);
    EXPECT_EQ(buffer[0], 'x');
    EXPECT_EQ(buffer[1], 'y');

    ScriptedTransport broken;
    broken.bytes("pq");
    broken.result(aErrIO);
    broken.bytes("rs");
    auto brokenStream = scriptedStream(broken);
    EXPECT_EQ(aStream_Read(brokenStream.get(), buffer, 4), aErrIO);
    uint8_t next = 0;
    EXPECT_EQ(aStream_Read(brokenStream.get(), &next, 1), aErrNone);
    EXPECT_EQ(next, 'r');
}

TEST(StreamRecord, CStringStopsAtCapacityAndLeavesTheRest) {
    ScriptedTransport source;
    source.bytes("abcdefghij");
    auto stream = scriptedStream(source);
    char buffer[8];
    EXPECT_EQ(aStream_ReadCString(stream.get(), buffer, sizeof buffer), aErrNone);
    EXPECT_STREQ(buffer, "abcdefg");
    EXPECT_EQ(aStream_ReadCString(stream.get(), buffer, sizeof buffer), aErrNone);
    EXPECT_STREQ(buffer, "hij");
    EXPECT_EQ(aStream_ReadCString(stream.get(), buffer, sizeof buffer), aErrEOF);
    EXPECT_STREQ(buffer, "");
}

TEST(StreamRecord, EndsAtDelimiterOrEndOfSource) {
    ScriptedTransport source;
    source.bytes(std::string("one\0two", 7));
    auto stream = scriptedStream(source);
    const uint8_t zero = 0;
    uint8_t buffer[16];
    size_t length = 99;
    EXPECT_EQ(aStream_ReadRecord(stream.get(), buffer, &length, sizeof buffer, &zero, 1), aErrNone);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(buffer), length), "one");
    EXPECT_EQ(aStream_ReadRecord(stream.get(), buffer, &length, sizeof buffer, &zero, 1), aErrNone);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(buffer), length), "two");
    EXPECT_EQ(aStream_ReadRecord(stream.get(), buffer, &length, sizeof buffer, &zero, 1), aErrEOF);
    EXPECT_EQ(length, 0u);
}

TEST(StreamRecord, NotReadyMidRecordLosesNothingNotEvenHalfADelimiter) {
    ScriptedTransport source;
    source.bytes("ab\r");
    source.result(aErrNotReady);
    source.bytes("\nnext\r\n");
    auto stream = scriptedStream(source);
    char buffer[16];
    EXPECT_EQ(aStream_ReadCStringRecord(stream.get(), buffer, sizeof buffer, "\r\n"), aErrNotReady);
    EXPECT_EQ(aStream_ReadCStringRecord(stream.get(), buffer, sizeof buffer, "\r\n"), aErrNone);
    EXPECT_STREQ(buffer, "ab");
    EXPECT_EQ(aStream_ReadCStringRecord(stream.get(), buffer, sizeof buffer, "\r\n"), aErrNone);
    EXPECT_STREQ(buffer, "next");
}

TEST(StreamRecord, BrokenPartialDelimiterIsKeptAsData) {
    ScriptedTransport source;
    source.bytes("a\rb\r\r\nc");
    auto stream = scriptedStream(source);
    char buffer[16];
    EXPECT_EQ(aStream_ReadCStringRecord(stream.get(), buffer, sizeof buffer, "\r\n"), aErrNone);
    EXPECT_STREQ(buffer, "a\rb\r");
    EXPECT_EQ(aStream_ReadCStringRecord(stream.get(), buffer, sizeof buffer, "\r\n"), aErrNone);
    EXPECT_STREQ(buffer, "c");
}

TEST(StreamRecord, RecordCutAtCapacityLeavesAPartialDelimiterInTheStream) {
    ScriptedTransport source;
    source.bytes("abc\r\n");
    auto stream = scriptedStream(source);
    char buffer[4];
    EXPECT_EQ(aStream_ReadCStringRecord(stream.get(), buffer, sizeof buffer, "\r\n"), aErrNone);
    EXPECT_STREQ(buffer, "abc");
    EXPECT_EQ(aStream_ReadCStringRecord(stream.get(), buffer, sizeof buffer, "\r\n"), aErrNone);
    EXPECT_STREQ(buffer, "");
}

TEST(StreamWrite, RecordsAndStringsCarryTheirTerminators) {
    ScriptedTransport sink;
    auto stream = scriptedStream(sink);
    EXPECT_EQ(aStream_WriteCStringRecord(stream.get(), "x", "\r\n"), aErrNone);
    EXPECT_EQ(sink.written, (std::vector<uint8_t>{'x', '\r', '\n', 0}));
    sink.written.clear();
    EXPECT_EQ(aStream_WriteCString(stream.get(), "hi"), aErrNone);
    EXPECT_EQ(sink.written, (std::vector<uint8_t>{'h', 'i', 0}));
    sink.written.clear();
    const uint8_t delimiter[] = {';'};
    EXPECT_EQ(
        aStream_WriteRecord(stream.get(), reinterpret_cast<const uint8_t*>("ab"), 2, delimiter, 1),
        aErrNone);
    EXPECT_EQ(text(sink.written), "ab;");
}

TEST(StreamWrite, MissingOperationsAnswerMode) {
    ScriptedTransport sink;
    auto blockOnly = scriptedStream(sink, kWrite | kGet);
    const uint8_t byte = 'z';
    EXPECT_EQ(aStream_Write(blockOnly.get(), &byte, 1), aErrMode);
    EXPECT_EQ(aStream_Write(blockOnly.get(), reinterpret_cast<const uint8_t*>("zz"), 2), aErrNone);

    auto writeOnly = scriptedStream(sink, kPut);
    uint8_t buffer[2];
    EXPECT_EQ(aStream_Read(writeOnly.get(), buffer, 2), aErrMode);
    EXPECT_EQ(aStream_Flush(writeOnly.get(), blockOnly.get()), aErrMode);
}

TEST(StreamFlush, CopiesGivenBackBytesFirstThenTheSourceToItsEnd) {
    ScriptedTransport source;
    source.bytes("ab");
    source.result(aErrNotReady);
    source.bytes("cde");
    ScriptedTransport sink;
    auto from = scriptedStream(source);
    auto to = scriptedStream(sink);
    uint8_t buffer[3];
    ASSERT_EQ(aStream_Read(from.get(), buffer, 3), aErrNotReady);
    EXPECT_EQ(aStream_Flush(from.get(), to.get()), aErrNone);
    EXPECT_EQ(text(sink.written), "abcde");
}

TEST(StreamHandles, InvalidOrForeignHandlesAnswerParam) {
    uint64_t foreign[8] = {0x1122334455667788ull};
    auto* alien = reinterpret_cast<aStream*>(foreign);
    uint8_t buffer[4];
    size_t length = 0;
    const uint8_t delimiter = 0;
    char text[4];
    for (aStream* stream : {static_cast<aStream*>(nullptr), alien}) {
        EXPECT_EQ(aStream_Read(stream, buffer, 1), aErrParam);
        EXPECT_EQ(aStream_Write(stream, buffer, 1), aErrParam);
        EXPECT_EQ(aStream_ReadRecord(stream, buffer, &length, 4, &delimiter, 1), aErrParam);
        EXPECT_EQ(aStream_ReadCString(stream, text, 4), aErrParam);
        EXPECT_EQ(aStream_ReadCStringRecord(stream, text, 4, "\n"), aErrParam);
        EXPECT_EQ(aStream_WriteCString(stream, "a"), aErrParam);
        EXPECT_EQ(aStream_WriteCStringRecord(stream, "a", "\n"), aErrParam);
        EXPECT_EQ(aStream_Flush(stream, stream), aErrParam);
    }
    aStream* handle = alien;
    EXPECT_EQ(aStream_Destroy(&handle), aErrParam);
    EXPECT_EQ(handle, nullptr);
    EXPECT_EQ(aStream_Destroy(nullptr), aErrParam);

    ScriptedTransport transport;
    aStream* stream = scriptedStream(transport).release();
    EXPECT_EQ(aStream_Read(stream, nullptr, 1), aErrParam);
    EXPECT_EQ(aStream_ReadRecord(stream, buffer, &length, 4, nullptr, 1), aErrParam);
    EXPECT_EQ(aStream_ReadRecord(stream, buffer, &length, 4, &delimiter, 0), aErrParam);
    EXPECT_EQ(aStream_Destroy(&stream), aErrNone);
    EXPECT_EQ(stream, nullptr);
    EXPECT_EQ(transport.closes, 1);
}

}  // namespace
