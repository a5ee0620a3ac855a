#include <gtest/gtest.h>

#include "stream_test_support.h"
#include "support/temp_dir.h"

namespace {

using namespace stream_testing;
using testing_support::TempDir;

TEST(FileStream, WritesAndReadsBackRecords) {
    TempDir dir;
    const std::string path = dir.file("records");
    aStream* raw = nullptr;
    ASSERT_EQ(aStream_CreateFileOutput(path.c_str(), &raw), aErrNone);
    ASSERT_NE(raw, nullptr);
    StreamPtr output(raw);
    EXPECT_EQ(aStream_WriteCStringRecord(output.get(), "first", "\n"), aErrNone);
    EXPECT_EQ(aStream_WriteCString(output.get(), "second"), aErrNone);
    uint8_t byte = 0;
    EXPECT_EQ(aStream_Read(output.get(), &byte, 1), aErrMode);
    output.reset();

    ASSERT_EQ(aStream_CreateFileInput(path.c_str(), &raw), aErrNone);
    StreamPtr input(raw);
    char buffer[32];
    EXPECT_EQ(aStream_ReadCStringRecord(input.get(), buffer, sizeof buffer, "\n"), aErrNone);
    EXPECT_STREQ(buffer, "first");
    // The delimiter's own terminating zero comes first, then the second string.
    EXPECT_EQ(aStream_ReadCString(input.get(), buffer, sizeof buffer), aErrNone);
    EXPECT_STREQ(buffer, "");
    EXPECT_EQ(aStream_ReadCString(input.get(), buffer, sizeof buffer), aErrNone);
    EXPECT_STREQ(buffer, "second");
    EXPECT_EQ(aStream_Read(input.get(), &byte, 1), aErrEOF);
    EXPECT_EQ(aStream_Write(input.get(), &byte, 1), aErrMode);
}

TEST(FileStream, FlushCopiesAWholeFile) {
    TempDir dir;
    std::string contents;
    for (int i = 0; i < 10000; ++i) {
        contents += static_cast<char>(i * 31);
    }
    testing_support::writeFile(dir.file("source"), contents);
    aStream* raw = nullptr;
    ASSERT_EQ(aStream_CreateFileInput(dir.file("source").c_str(), &raw), aErrNone);
    StreamPtr from(raw);
    ASSERT_EQ(aStream_CreateFileOutput(dir.file("copy").c_str(), &raw), aErrNone);
    StreamPtr to(raw);
    EXPECT_EQ(aStream_Flush(from.get(), to.get()), aErrNone);
    to.reset();
    EXPECT_EQ(testing_support::readFile(dir.file("copy")), contents);
}

TEST(FileStream, MissingFilesAndArgumentsFailAsCallersExpect) {
    TempDir dir;
    aStream* stream = nullptr;
    EXPECT_EQ(aStream_CreateFileInput(dir.file("absent").c_str(), &stream), aErrResource);
    EXPECT_EQ(stream, nullptr);
    EXPECT_EQ(aStream_CreateFileInput(nullptr, &stream), aErrResource);
    EXPECT_EQ(aStream_CreateFileOutput(dir.file("x").c_str(), nullptr), aErrResource);
    EXPECT_EQ(aStream_CreateFileOutput(dir.file("no/such/dir").c_str(), &stream), aErrNone);
    EXPECT_EQ(stream, nullptr);
}

}  // namespace
