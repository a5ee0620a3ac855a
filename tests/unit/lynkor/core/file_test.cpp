#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "lynkor/aFile.h"
#include "support/temp_dir.h"

namespace {

using testing_support::readFile;
using testing_support::TempDir;
using testing_support::writeFile;

struct FileCloser {
    void operator()(aFileHandle* handle) const { aFile_Close(&handle); }
};
using FilePtr = std::unique_ptr<aFileHandle, FileCloser>;

FilePtr open(const std::string& path, int32_t mode) {
    return FilePtr(aFile_Open(path.c_str(), mode));
}

class FileTest : public ::testing::Test {
protected:
    TempDir dir;
    std::string path = dir.file("data");
};

TEST_F(FileTest, ReadLineSplitsAtLineFeedsAndEndsWithEof) {
    writeFile(path, "ab\ncd");
    auto file = open(path, aFILE_MODE_READ);
    ASSERT_TRUE(file);
    char line[16];
    size_t length = 99;
    EXPECT_EQ(aFile_ReadLine(file.get(), line, sizeof line, &length), aErrNone);
    EXPECT_STREQ(line, "ab\n");
    EXPECT_EQ(length, 3u);
    EXPECT_EQ(aFile_ReadLine(file.get(), line, sizeof line, &length), aErrNone);
    EXPECT_STREQ(line, "cd");
    EXPECT_EQ(length, 2u);
    EXPECT_EQ(aFile_ReadLine(file.get(), line, sizeof line, &length), aErrEOF);
    EXPECT_STREQ(line, "");
    EXPECT_EQ(length, 0u);
}

TEST_F(FileTest, ReadLineWithShortBufferOverrunsAndKeepsTheRest) {
    writeFile(path, "abcdef\r\nxy\n");
    auto file = open(path, aFILE_MODE_READ);
    ASSERT_TRUE(file);
    char line[4];
    size_t length = 0;
    EXPECT_EQ(aFile_ReadLine(file.get(), line, sizeof line, &length), aErrOverrun);
    EXPECT_STREQ(line, "abc");
    EXPECT_EQ(length, 3u);
    EXPECT_EQ(aFile_ReadLine(file.get(), line, sizeof line, &length), aErrOverrun);
    EXPECT_STREQ(line, "def");
    // The carriage return stays in the line.
    EXPECT_EQ(aFile_ReadLine(file.get(), line, sizeof line, &length), aErrNone);
    EXPECT_STREQ(line, "\r\n");
    // A line of exactly size - 1 bytes with its line feed is whole, not an overrun.
    EXPECT_EQ(aFile_ReadLine(file.get(), line, sizeof line, &length), aErrNone);
    EXPECT_STREQ(line, "xy\n");
    EXPECT_EQ(aFile_ReadLine(file.get(), line, sizeof line, &length), aErrEOF);
}

TEST_F(FileTest, ReadLineRefusesBuffersThatCannotHoldAByte) {
    writeFile(path, "abc\n");
    auto file = open(path, aFILE_MODE_READ);
    ASSERT_TRUE(file);
    char line[2] = {'X', 'X'};
    size_t length = 7;
    EXPECT_EQ(aFile_ReadLine(file.get(), line, 0, &length), aErrParam);
    EXPECT_EQ(line[0], 'X');
    EXPECT_EQ(length, 0u);
    EXPECT_EQ(aFile_ReadLine(file.get(), line, 1, &length), aErrParam);
    EXPECT_EQ(line[0], '\0');
    EXPECT_EQ(aFile_ReadLine(file.get(), nullptr, 8, &length), aErrParam);
    // Nothing was consumed by the refused calls.
    EXPECT_EQ(aFile_ReadLine(file.get(), line, sizeof line, &length), aErrOverrun);
    EXPECT_STREQ(line, "a");
}

TEST_F(FileTest, SeekAllowsTheEndAndRefusesBeyondEitherSide) {
    writeFile(path, "0123456789");
    auto file = open(path, aFILE_MODE_READ);
    ASSERT_TRUE(file);
    uint32_t position = 0;
    EXPECT_EQ(aFile_Seek(file.get(), 10, aFILE_SEEK_START), aErrNone);
    EXPECT_EQ(aFile_GetPosition(file.get(), &position), aErrNone);
    EXPECT_EQ(position, 10u);
    EXPECT_EQ(aFile_Seek(file.get(), 11, aFILE_SEEK_START), aErrRange);
    EXPECT_EQ(aFile_Seek(file.get(), -1, aFILE_SEEK_START), aErrRange);
    EXPECT_EQ(aFile_GetPosition(file.get(), &position), aErrNone);
    EXPECT_EQ(position, 10u);

    EXPECT_EQ(aFile_Seek(file.get(), -4, aFILE_SEEK_END), aErrNone);
    EXPECT_EQ(aFile_Seek(file.get(), -2, aFILE_SEEK_CURRENT), aErrNone);
    EXPECT_EQ(aFile_Seek(file.get(), 6, aFILE_SEEK_CURRENT), aErrNone);
    EXPECT_EQ(aFile_Seek(file.get(), 1, aFILE_SEEK_CURRENT), aErrRange);
    EXPECT_EQ(aFile_Seek(file.get(), 1, aFILE_SEEK_END), aErrRange);
    // An unknown origin counts from the start.
    EXPECT_EQ(aFile_Seek(file.get(), 3, 7), aErrNone);
    char byte = 0;
    size_t count = 0;
    EXPECT_EQ(aFile_Read(file.get(), &byte, 1, &count), aErrNone);
    EXPECT_EQ(byte, '3');
    EXPECT_EQ(aFile_Seek(file.get(), INT32_MIN, aFILE_SEEK_END), aErrRange);
    EXPECT_EQ(aFile_Seek(file.get(), INT32_MAX, aFILE_SEEK_CURRENT), aErrRange);
}

TEST_F(FileTest, ModesGuardReadingAndWriting) {
    auto writer = open(path, aFILE_MODE_WRITE);
    ASSERT_TRUE(writer);
    char buffer[4];
    size_t count = 9;
    EXPECT_EQ(aFile_Read(writer.get(), buffer, sizeof buffer, &count), aErrMode);
    EXPECT_EQ(count, 0u);
    EXPECT_EQ(aFile_Write(writer.get(), "abc", 3, &count), aErrNone);
    EXPECT_EQ(count, 3u);
    writer.reset();

    auto reader = open(path, aFILE_MODE_READ);
    ASSERT_TRUE(reader);
    EXPECT_EQ(aFile_Write(reader.get(), "x", 1, nullptr), aErrMode);
    EXPECT_EQ(aFile_Printf(reader.get(), "%d", 1), aErrMode);
    EXPECT_EQ(aFile_SetUnbuffered(reader.get()), aErrMode);
    EXPECT_EQ(aFile_Read(reader.get(), buffer, sizeof buffer, &count), aErrNone);
    EXPECT_EQ(count, 3u);
    EXPECT_EQ(aFile_Read(reader.get(), buffer, sizeof buffer, &count), aErrEOF);
    EXPECT_EQ(aFile_Read(reader.get(), buffer, 0, &count), aErrNone);

    EXPECT_EQ(aFile_Open(path.c_str(), 3), nullptr);
    EXPECT_EQ(aFile_Open(path.c_str(), -1), nullptr);
}

TEST_F(FileTest, WriteTruncatesAndAppendAddsAtTheEnd) {
    writeFile(path, "old contents");
    {
        auto file = open(path, aFILE_MODE_WRITE);
        ASSERT_TRUE(file);
        EXPECT_EQ(aFile_Printf(file.get(), "%s=%d\n", "KEY", 42), aErrNone);
    }
    EXPECT_EQ(readFile(path), "KEY=42\n");
    {
        auto file = open(path, aFILE_MODE_APPEND);
        ASSERT_TRUE(file);
        uint32_t position = 0;
        EXPECT_EQ(aFile_GetPosition(file.get(), &position), aErrNone);
        EXPECT_EQ(position, 7u);
        EXPECT_EQ(aFile_Write(file.get(), "tail", 4, nullptr), aErrNone);
        // Append handles read too.
        char line[16];
        EXPECT_EQ(aFile_Seek(file.get(), 0, aFILE_SEEK_START), aErrNone);
        EXPECT_EQ(aFile_ReadLine(file.get(), line, sizeof line, nullptr), aErrNone);
        EXPECT_STREQ(line, "KEY=42\n");
    }
    EXPECT_EQ(readFile(path), "KEY=42\ntail");

    const std::string created = dir.file("created");
    auto fresh = open(created, aFILE_MODE_APPEND);
    ASSERT_TRUE(fresh);
    uint32_t size = 1;
    EXPECT_EQ(aFile_GetSize(fresh.get(), &size), aErrNone);
    EXPECT_EQ(size, 0u);
}

TEST_F(FileTest, PrintfHasALimitOfOneBufferLessItsTerminator) {
    auto file = open(path, aFILE_MODE_WRITE);
    ASSERT_TRUE(file);
    const std::string largest(aFILE_MAX_PRINTF, 'a');
    EXPECT_EQ(aFile_Printf(file.get(), "%s", largest.c_str()), aErrNone);
    EXPECT_EQ(aFile_Printf(file.get(), "%sb", largest.c_str()), aErrIO);
    file.reset();
    EXPECT_EQ(readFile(path), largest);
}

TEST_F(FileTest, PrintfFromManyThreadsKeepsEveryLineWhole) {
    constexpr int threadCount = 4;
    constexpr int linesPerThread = 200;
    std::vector<std::thread> threads;
    std::vector<std::string> paths;
    for (int t = 0; t < threadCount; ++t) {
        paths.push_back(dir.file("log" + std::to_string(t)));
    }
    for (int t = 0; t < threadCount; ++t) {
        threads.emplace_back([&, t] {
            auto file = open(paths[t], aFILE_MODE_WRITE);
            // Lines of different lengths per thread: a shared buffer would mix them.
            const std::string payload(static_cast<size_t>(50 * (t + 1)),
                                      static_cast<char>('a' + t));
            for (int i = 0; i < linesPerThread; ++i) {
                aFile_Printf(file.get(), "%d:%s\n", i, payload.c_str());
            }
        });
    }
    for (auto& thread : threads) {
        thread.join();
    }
    for (int t = 0; t < threadCount; ++t) {
        const std::string payload(static_cast<size_t>(50 * (t + 1)), static_cast<char>('a' + t));
        std::string expected;
        for (int i = 0; i < linesPerThread; ++i) {
            expected += std::to_string(i) + ":" + payload + "\n";
        }
        EXPECT_EQ(readFile(paths[t]), expected) << "thread " << t;
    }
}

TEST_F(FileTest, FailedWritesAreReported) {
    // /dev/full takes the open but refuses every byte with "no space".
    auto full = open("/dev/full", aFILE_MODE_WRITE);
    if (!full) {
        GTEST_SKIP() << "no /dev/full here";
    }
    size_t count = 9;
    EXPECT_EQ(aFile_Write(full.get(), "abc", 3, &count), aErrWrite);
    EXPECT_EQ(count, 0u);
    EXPECT_EQ(aFile_Printf(full.get(), "x=%d", 1), aErrWrite);
}

TEST_F(FileTest, HandlesAreCheckedAndClosingNullsThem) {
    aFileHandle* file = aFile_Open(dir.file("x").c_str(), aFILE_MODE_WRITE);
    ASSERT_NE(file, nullptr);
    EXPECT_EQ(file->check, static_cast<uint32_t>(aFILE_CHECK));
    EXPECT_EQ(aFile_Close(&file), aErrNone);
    EXPECT_EQ(file, nullptr);
    EXPECT_EQ(aFile_Close(&file), aErrParam);
    EXPECT_EQ(aFile_Close(nullptr), aErrParam);

    aFileHandle foreign{};
    uint32_t value = 0;
    char buffer[4];
    EXPECT_EQ(aFile_Read(&foreign, buffer, sizeof buffer, nullptr), aErrParam);
    EXPECT_EQ(aFile_Write(&foreign, buffer, sizeof buffer, nullptr), aErrParam);
    EXPECT_EQ(aFile_GetSize(&foreign, &value), aErrParam);
    EXPECT_EQ(aFile_Seek(nullptr, 0, aFILE_SEEK_START), aErrParam);
    EXPECT_EQ(aFile_SetUnbuffered(&foreign), aErrParam);
}

TEST_F(FileTest, OpenRefusesLongPathsAndMissingFiles) {
    EXPECT_EQ(aFile_Open(nullptr, aFILE_MODE_READ), nullptr);
    EXPECT_EQ(aFile_Open(dir.file("missing").c_str(), aFILE_MODE_READ), nullptr);
    const std::string longest =
        dir.path() + "/" + std::string(aFILE_MAX_PATH - dir.path().size() - 1, 'n');
    auto accepted = open(longest, aFILE_MODE_WRITE);
    EXPECT_TRUE(accepted);
    const std::string tooLong = longest + "n";
    EXPECT_EQ(aFile_Open(tooLong.c_str(), aFILE_MODE_WRITE), nullptr);
    EXPECT_FALSE(testing_support::fileExists(tooLong));
}

TEST_F(FileTest, ExistsAndDeleteTellCasesApart) {
    writeFile(path, "x");
    EXPECT_TRUE(aFile_Exists(path.c_str()));
    EXPECT_FALSE(aFile_Exists(dir.path().c_str()));
    EXPECT_FALSE(aFile_Exists(nullptr));
    EXPECT_EQ(aFile_Delete(path.c_str()), aErrNone);
    EXPECT_FALSE(aFile_Exists(path.c_str()));
    EXPECT_EQ(aFile_Delete(path.c_str()), aErrNotFound);
    EXPECT_EQ(aFile_Delete(nullptr), aErrParam);
}

}  // namespace
