#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "firmware/atomic_file.h"
#include "firmware/attributes_file.h"
#include "firmware/time_text.h"
#include "support/temp_dir.h"
#include "unit/updater/log_capture.h"

using testing_support::fileExists;
using testing_support::namesIn;
using testing_support::readFile;
using testing_support::TempDir;
using testing_support::writeFile;

namespace {

bool isTimeText(const std::string& text) {
    return text.size() == 24 && text[3] == ' ' && text[7] == ' ' && text[13] == ':' &&
           text[16] == ':' && text[19] == ' ';
}

TEST(AttributesFile, LoadsEntriesAndRewritesThemInKeyOrder) {
    TempDir dir;
    const std::string path = dir.file(".settings");
    writeFile(path, "# a comment=1\nx\n A = 1 \nB=two words\n");
    AttributesFile settings;
    ASSERT_EQ(settings.load(path), aErrNone);
    EXPECT_EQ(settings.values().size(), 2u);
    EXPECT_EQ(settings.getString("A"), "1");
    EXPECT_EQ(settings.getString("B"), "two words");
    EXPECT_EQ(settings.getString("C", "none"), "none");
    EXPECT_FALSE(settings.isDirty());

    ASSERT_EQ(settings.save(), aErrNone);
    EXPECT_EQ(readFile(path), "A=1\nB=two words\n");
    EXPECT_EQ(namesIn(dir.path()).size(), 1u);
}

TEST(AttributesFile, OnlyRealChangesMarkItDirtyAndStampTheUpdate) {
    TempDir dir;
    const std::string path = dir.file(".settings");
    writeFile(path, "A=1\nZ=last\n");
    AttributesFile settings;
    settings.load(path);
    settings.set("A", "1");
    EXPECT_FALSE(settings.isDirty());
    settings.set("A", "2");
    EXPECT_TRUE(settings.isDirty());
    ASSERT_EQ(settings.save(), aErrNone);
    EXPECT_FALSE(settings.isDirty());

    const std::string updated = settings.getString("UPDATED_TIME");
    EXPECT_TRUE(isTimeText(updated)) << updated;
    EXPECT_EQ(readFile(path), "A=2\nUPDATED_TIME=" + updated + "\nZ=last\n");

    // Unchanged again: the next save keeps the stamp as it was.
    settings.save();
    EXPECT_EQ(readFile(path), "A=2\nUPDATED_TIME=" + updated + "\nZ=last\n");
}

TEST(AttributesFile, GetIntReadsLeadingDigitsAndRecordsAbsentKeys) {
    TempDir dir;
    const std::string path = dir.file(".settings");
    writeFile(path,
              "LATEST_DOWNLOAD=1234.bird\nSIGNED=  -12x\nWORD=abc\nHUGE=99999999999\nEMPTY=\n");
    AttributesFile settings;
    settings.load(path);
    EXPECT_EQ(settings.getInt("LATEST_DOWNLOAD", 0), 1234);
    EXPECT_EQ(settings.getInt("SIGNED", 0), -12);
    EXPECT_EQ(settings.getInt("WORD", 5), 0);
    EXPECT_EQ(settings.getInt("HUGE", 0), 2147483647);
    EXPECT_EQ(settings.getInt("EMPTY", 7), 7);
    EXPECT_EQ(settings.getInt("LATEST_TRANSFER", 42), 42);
    EXPECT_FALSE(settings.isDirty());
    settings.save();
    EXPECT_EQ(readFile(path),
              "EMPTY=\nHUGE=99999999999\nLATEST_DOWNLOAD=1234.bird\nLATEST_TRANSFER=\n"
              "SIGNED=-12x\nWORD=abc\n");
}

TEST(AttributesFile, MissingFileIsCreatedWithItsTimes) {
    TempDir dir;
    const std::string path = dir.file(".settings");
    LogCapture log(DEBUG_Attributes);
    AttributesFile settings;
    ASSERT_EQ(settings.load(path), aErrNone);
    EXPECT_TRUE(
        log.contains("Attibutes: Error - cannot open attributes file: '" + path + "' (2)\n"));
    const std::string created = settings.getString("CREATED_TIME");
    EXPECT_TRUE(isTimeText(created));
    EXPECT_EQ(readFile(path), "CREATED_TIME=" + created +
                                  "\nUPDATED_TIME=" + settings.getString("UPDATED_TIME") + "\n");
    EXPECT_FALSE(settings.isDirty());
    EXPECT_EQ(settings.filename(), path);
}

TEST(AttributesFile, FileThatExistsButCannotBeOpenedIsNeverReplaced) {
    // A link to itself cannot be opened, even by root, yet it is there.
    TempDir dir;
    const std::string path = dir.file(".settings");
    std::filesystem::create_symlink(".settings", path);
    AttributesFile settings;
    EXPECT_EQ(settings.load(path), aErrIO);
    EXPECT_TRUE(std::filesystem::is_symlink(path));
    EXPECT_EQ(namesIn(dir.path()).size(), 1u);

    // Nor does a later save replace it with the few entries set since: what it held would be
    // lost. Another path can still be written.
    settings.set("LATEST_DOWNLOAD", "1234.bird");
    EXPECT_EQ(settings.save(), aErrIO);
    EXPECT_EQ(settings.save(path), aErrIO);
    EXPECT_TRUE(std::filesystem::is_symlink(path));
    EXPECT_EQ(namesIn(dir.path()).size(), 1u);
    EXPECT_EQ(settings.save(dir.file("copy")), aErrNone);
    EXPECT_EQ(readFile(dir.file("copy")).find("LATEST_DOWNLOAD=1234.bird\n"), 0u);
}

TEST(AttributesFile, FileThatFailsWhileBeingReadIsNeverReplaced) {
    // A directory opens, but reading it fails.
    TempDir dir;
    const std::string path = dir.file(".settings");
    std::filesystem::create_directory(path);
    AttributesFile settings;
    const aErr loaded = settings.load(path);
    EXPECT_NE(loaded, aErrNone);
    settings.set("LATEST_DOWNLOAD", "1234.bird");
    EXPECT_EQ(settings.save(), aErrIO);
    EXPECT_TRUE(std::filesystem::is_directory(path));
    EXPECT_EQ(namesIn(dir.path()).size(), 1u);
}

TEST(AttributesFile, JunkLongLinesAndMissingFinalLineFeedLoseNothing) {
    TempDir dir;
    const std::string path = dir.file(".settings");
    const std::string longValue(5000, 'v');
    const std::string longJunk(3000, '#');
    writeFile(path, "junk without equals\n" + longJunk + "\nLONG=" + longValue +
                        "\n\n=\r\nAFTER=kept\r\nNUL=a" + std::string(1, '\0') +
                        "b\nLAST=no line feed");
    AttributesFile settings;
    ASSERT_EQ(settings.load(path), aErrNone);
    EXPECT_TRUE(settings.getString("LONG") == longValue);
    EXPECT_EQ(settings.getString("AFTER"), "kept");
    EXPECT_EQ(settings.getString("LAST"), "no line feed");
    EXPECT_EQ(settings.getString("NUL"), std::string("a\0b", 3));

    settings.save();
    AttributesFile reloaded;
    reloaded.load(path);
    EXPECT_TRUE(reloaded.values() == settings.values());
    EXPECT_EQ(reloaded.values().size(), 4u);
}

TEST(AttributesFile, LineBreaksCannotForgeEntries) {
    AttributesFile settings;
    settings.set("LATEST_TRANSFER", "evil\nLATEST_DOWNLOAD=1.bird");
    settings.set("A=B", "1");
    EXPECT_TRUE(settings.values().empty());
    EXPECT_FALSE(settings.isDirty());
}

TEST(AttributesFile, InterruptedSaveLeavesTheOldFile) {
    TempDir dir;
    const std::string path = dir.file(".settings");
    writeFile(path, "A=old\n");
    {
        // Written but never renamed into place, as when the process dies in between.
        AtomicFileWriter writer(path);
        ASSERT_EQ(writer.open(), aErrNone);
        const std::string text = "A=new\n";
        ASSERT_EQ(writer.write({reinterpret_cast<const uint8_t*>(text.data()), text.size()}),
                  aErrNone);
        EXPECT_TRUE(fileExists(writer.temporaryPath()));
        EXPECT_EQ(readFile(path), "A=old\n");
    }
    EXPECT_EQ(readFile(path), "A=old\n");
    EXPECT_EQ(namesIn(dir.path()).size(), 1u);

    // The disk fills while the new contents are written.
    AttributesFile settings;
    settings.load(path);
    settings.set("A", std::string(100000, 'n'));
    struct rlimit previous {};
    getrlimit(RLIMIT_FSIZE, &previous);
    struct rlimit tight = previous;
    tight.rlim_cur = 4096;
    signal(SIGXFSZ, SIG_IGN);
    setrlimit(RLIMIT_FSIZE, &tight);
    const aErr err = settings.save();
    setrlimit(RLIMIT_FSIZE, &previous);
    signal(SIGXFSZ, SIG_DFL);
    EXPECT_NE(err, aErrNone);
    EXPECT_TRUE(settings.isDirty());
    EXPECT_EQ(readFile(path), "A=old\n");
    EXPECT_EQ(namesIn(dir.path()).size(), 1u);
}

TEST(AttributesFile, UnwritableDirectoryIsLoggedAndValuesStay) {
    TempDir dir;
    LogCapture log(DEBUG_Attributes);
    AttributesFile settings;
    settings.set("K", "v");
    const std::string path = dir.file("missing/.settings");
    EXPECT_EQ(settings.save(path), aErrNotFound);
    EXPECT_TRUE(log.contains("Attibutes: Error - cannot open attributes file for writting: '" +
                             path + "' (2)\n"));
    EXPECT_EQ(settings.getString("K"), "v");
}

TEST(TimeText, HasTheCtimeForm) {
    setenv("TZ", "UTC", 1);
    tzset();
    EXPECT_EQ(ctimeText(0), "Thu Jan  1 00:00:00 1970");
    EXPECT_EQ(ctimeText(1796834457), "Wed Dec  9 16:40:57 2026");
    setenv("TZ", "EST5", 1);
    tzset();
    EXPECT_EQ(ctimeText(0), "Wed Dec 31 19:00:00 1969");
    const std::time_t now = std::time(nullptr);
    EXPECT_EQ(ctimeText(now) + "\n", std::ctime(&now));
    unsetenv("TZ");
    tzset();
}

}  // namespace
