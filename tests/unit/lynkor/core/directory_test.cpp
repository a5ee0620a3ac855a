#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <set>
#include <string>

#include "lynkor/aDirectory.h"
#include "support/temp_dir.h"

namespace {

using testing_support::fileExists;
using testing_support::TempDir;
using testing_support::writeFile;

TEST(DirectoryBuildPath, JoinsWithExactlyOneSeparator) {
    char path[64];
    EXPECT_EQ(aDirectory_JoinPath(path, sizeof path, "a/", "b"), aErrNone);
    EXPECT_STREQ(path, "a/b");
    EXPECT_EQ(aDirectory_JoinPath(path, sizeof path, "a", "/b"), aErrNone);
    EXPECT_STREQ(path, "a/b");
    EXPECT_EQ(aDirectory_JoinPath(path, sizeof path, "/home", "x"), aErrNone);
    EXPECT_STREQ(path, "/home/x");
    // A backslash is an ordinary character.
    EXPECT_EQ(aDirectory_JoinPath(path, sizeof path, "a\\", "b"), aErrNone);
    EXPECT_STREQ(path, "a\\/b");
    // An empty start stays relative.
    EXPECT_EQ(aDirectory_JoinPath(path, sizeof path, "", "b"), aErrNone);
    EXPECT_STREQ(path, "b");
}

TEST(DirectoryBuildPath, TakesTenComponentsAndRefusesEleven) {
    char path[64];
    EXPECT_EQ(aDirectory_BuildPath(path, sizeof path, "0", "1", "2", "3", "4", "5", "6", "7", "8",
                                   "9", nullptr),
              aErrNone);
    EXPECT_STREQ(path, "0/1/2/3/4/5/6/7/8/9");
    EXPECT_EQ(aDirectory_BuildPath(path, sizeof path, "0", "1", "2", "3", "4", "5", "6", "7", "8",
                                   "9", "10", nullptr),
              aErrParam);
    EXPECT_STREQ(path, "");
}

TEST(DirectoryBuildPath, RefusesTheDestinationAsAComponent) {
    char path[64] = "a";
    EXPECT_EQ(aDirectory_JoinPath(path, sizeof path, path, "b"), aErrParam);
    std::strcpy(path, "b");
    EXPECT_EQ(aDirectory_JoinPath(path, sizeof path, "a", path), aErrParam);
    EXPECT_EQ(aDirectory_JoinPath(nullptr, 8, "a", "b"), aErrParam);
    EXPECT_EQ(aDirectory_JoinPath(path, 0, "a", "b"), aErrParam);
    EXPECT_EQ(aDirectory_BuildPath(path, sizeof path, nullptr), aErrParam);
}

TEST(DirectoryBuildPath, OverrunsLeaveThePartialPathAndNeverPassTheBuffer) {
    char path[16];
    // The first component must leave more than its terminator free.
    EXPECT_EQ(aDirectory_JoinPath(path, 8, "abcdefg", "x"), aErrOverrun);
    EXPECT_STREQ(path, "");
    EXPECT_EQ(aDirectory_JoinPath(path, 8, "abcdef", "x"), aErrOverrun);
    EXPECT_STREQ(path, "abcdef");

    // A separator takes four of the room: "ab" in 8 bytes leaves 5, so 1 after the separator.
    EXPECT_EQ(aDirectory_JoinPath(path, 8, "ab", "c"), aErrOverrun);
    EXPECT_STREQ(path, "ab/");
    EXPECT_EQ(aDirectory_JoinPath(path, 9, "ab", "c"), aErrNone);
    EXPECT_STREQ(path, "ab/c");

    // Room of 2 or 3 before the separator must not wrap around and let a long component through.
    for (size_t size = 5; size <= 7; ++size) {
        std::memset(path, 'X', sizeof path);
        EXPECT_EQ(aDirectory_JoinPath(path, size, "abc", "defghijk"), aErrOverrun) << size;
        EXPECT_EQ(path[size], 'X') << size;
        EXPECT_LT(std::strlen(path), size);
    }
    std::memset(path, 'X', sizeof path);
    EXPECT_EQ(aDirectory_BuildPath(path, 9, "a", "b", "c", "d", nullptr), aErrOverrun);
    EXPECT_STREQ(path, "a/b/");
    EXPECT_EQ(path[9], 'X');
}

class DirectoryTest : public ::testing::Test {
protected:
    TempDir dir;
};

TEST_F(DirectoryTest, EnsureCreatesEveryMissingParent) {
    const std::string existing = dir.file("data");
    ASSERT_EQ(::mkdir(existing.c_str(), 0755), 0);
    const std::string deep = existing + "/x/y";
    EXPECT_EQ(aDirectory_Ensure(deep.c_str(), 0755), aErrNone);
    EXPECT_TRUE(aDirectory_Exists((existing + "/x").c_str()));
    EXPECT_TRUE(aDirectory_Exists(deep.c_str()));
    EXPECT_EQ(aDirectory_Ensure(deep.c_str(), 0755), aErrNone);
    EXPECT_EQ(aDirectory_Ensure((dir.path() + "/p//q/").c_str(), 0700), aErrNone);
    EXPECT_TRUE(aDirectory_Exists(dir.file("p/q").c_str()));
}

TEST_F(DirectoryTest, EnsureCreatesARelativePathFromTheWorkingDirectory) {
    char previous[4096];
    ASSERT_EQ(aDirectory_CWD(previous, sizeof previous), aErrNone);
    ASSERT_EQ(::chdir(dir.path().c_str()), 0);
    const aErr result = aDirectory_Ensure("a/b", 0755);
    const bool created = aDirectory_Exists("a") && aDirectory_Exists("a/b");
    ASSERT_EQ(::chdir(previous), 0);
    EXPECT_EQ(result, aErrNone);
    EXPECT_TRUE(created);
}

TEST_F(DirectoryTest, EnsureFailsWhenAFileStandsInTheWay) {
    writeFile(dir.file("taken"), "x");
    EXPECT_EQ(aDirectory_Ensure(dir.file("taken").c_str(), 0755), aErrPermission);
    EXPECT_EQ(aDirectory_Ensure(dir.file("taken/below").c_str(), 0755), aErrPermission);
    EXPECT_EQ(aDirectory_Ensure(nullptr, 0755), aErrParam);
}

TEST_F(DirectoryTest, EnsureStopsAtTheLevelItCannotCreate) {
    // A name longer than any file system takes fails for every user, root included.
    const std::string tooLong(300, 'n');
    const std::string path = dir.path() + "/made/" + tooLong + "/below";
    EXPECT_EQ(aDirectory_Ensure(path.c_str(), 0755), aErrPermission);
    EXPECT_TRUE(aDirectory_Exists(dir.file("made").c_str()));
    EXPECT_FALSE(aDirectory_Exists(path.c_str()));
}

bool collect(const aDirectoryEntry* entry, void* reference) {
    auto* seen = static_cast<std::set<std::string>*>(reference);
    seen->insert(std::string(entry->path) + (entry->is_directory ? "/" : "") + " " +
                 std::to_string(entry->size));
    return true;
}

bool stopAtFirst(const aDirectoryEntry*, void* reference) {
    ++*static_cast<int*>(reference);
    return false;
}

TEST_F(DirectoryTest, ListReportsEveryEntryWithDotsAndFullPaths) {
    writeFile(dir.file("five"), "12345");
    ASSERT_EQ(::mkdir(dir.file("sub").c_str(), 0755), 0);
    std::set<std::string> seen;
    EXPECT_EQ(aDirectory_List(dir.path().c_str(), collect, &seen), aErrNone);
    EXPECT_EQ(seen.size(), 4u);
    EXPECT_EQ(seen.count(dir.file("five") + " 5"), 1u);
    const auto isDirectory = [&](const std::string& name) {
        for (const auto& entry : seen) {
            if (entry.rfind(dir.file(name) + "/ ", 0) == 0) {
                return true;
            }
        }
        return false;
    };
    EXPECT_TRUE(isDirectory("."));
    EXPECT_TRUE(isDirectory(".."));
    EXPECT_TRUE(isDirectory("sub"));

    int calls = 0;
    EXPECT_EQ(aDirectory_List(dir.path().c_str(), stopAtFirst, &calls), aErrNone);
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(aDirectory_List(dir.file("missing").c_str(), collect, &seen), aErrParam);
    EXPECT_EQ(aDirectory_List(dir.path().c_str(), nullptr, nullptr), aErrParam);
}

TEST_F(DirectoryTest, DeleteTreeRemovesEverythingButFollowsNoLinks) {
    const std::string outside = dir.file("outside");
    ASSERT_EQ(::mkdir(outside.c_str(), 0755), 0);
    writeFile(outside + "/keep", "precious");
    const std::string tree = dir.file("tree");
    ASSERT_EQ(aDirectory_Ensure((tree + "/a/b").c_str(), 0755), aErrNone);
    writeFile(tree + "/top", "1");
    writeFile(tree + "/a/b/deep", "2");
    ASSERT_EQ(::symlink(outside.c_str(), (tree + "/a/link").c_str()), 0);

    EXPECT_EQ(aDirectory_DeleteTree(tree.c_str()), aErrNone);
    EXPECT_FALSE(fileExists(tree));
    EXPECT_TRUE(fileExists(outside + "/keep"));
    EXPECT_EQ(aDirectory_DeleteTree(tree.c_str()), aErrParam);
}

TEST_F(DirectoryTest, DeleteRemovesOnlyEmptyDirectories) {
    const std::string full = dir.file("full");
    ASSERT_EQ(::mkdir(full.c_str(), 0755), 0);
    writeFile(full + "/f", "x");
    EXPECT_EQ(aDirectory_Delete(full.c_str()), aErrUnknown);
    EXPECT_EQ(::unlink((full + "/f").c_str()), 0);
    EXPECT_EQ(aDirectory_Delete(full.c_str()), aErrNone);
    EXPECT_FALSE(aDirectory_Exists(full.c_str()));
}

TEST_F(DirectoryTest, ExistsOnlyForDirectories) {
    writeFile(dir.file("f"), "x");
    EXPECT_TRUE(aDirectory_Exists(dir.path().c_str()));
    EXPECT_TRUE(aDirectory_Exists("."));
    EXPECT_TRUE(aDirectory_Exists("./"));
    EXPECT_FALSE(aDirectory_Exists(dir.file("f").c_str()));
    EXPECT_FALSE(aDirectory_Exists(dir.file("none").c_str()));
    EXPECT_FALSE(aDirectory_Exists(nullptr));
}

// Restores HOME when the test ends.
class HomeVariable {
public:
    HomeVariable() {
        const char* home = std::getenv("HOME");
        if (home != nullptr) {
            saved_ = home;
            had_ = true;
        }
    }
    ~HomeVariable() {
        if (had_) {
            ::setenv("HOME", saved_.c_str(), 1);
        } else {
            ::unsetenv("HOME");
        }
    }

private:
    std::string saved_;
    bool had_ = false;
};

TEST(DirectoryHome, HomeVariableFirstThenThePasswordDatabase) {
    HomeVariable restore;
    char home[4096];
    ::setenv("HOME", "/srv/someone", 1);
    EXPECT_EQ(aDirectory_GetHomeDirectory(home, sizeof home), aErrNone);
    EXPECT_STREQ(home, "/srv/someone");
    EXPECT_EQ(aDirectory_GetHomeDirectory(home, 8), aErrOverrun);

    ::setenv("HOME", "", 1);
    EXPECT_EQ(aDirectory_GetHomeDirectory(home, sizeof home), aErrNone);
    const std::string fromDatabase = home;
    EXPECT_FALSE(fromDatabase.empty());
    EXPECT_EQ(fromDatabase.front(), '/');
    ::unsetenv("HOME");
    EXPECT_EQ(aDirectory_GetHomeDirectory(home, sizeof home), aErrNone);
    EXPECT_EQ(fromDatabase, home);
}

TEST(DirectoryProcess, WorkingDirectoryAndOwnExecutable) {
    char path[4096];
    EXPECT_EQ(aDirectory_CWD(path, sizeof path), aErrNone);
    EXPECT_TRUE(aDirectory_Exists(path));
    EXPECT_EQ(aDirectory_CWD(path, 1), aErrParam);

    EXPECT_EQ(aDirectory_ExecutableFilePath(path, sizeof path), aErrNone);
    EXPECT_NE(std::string(path).find("unit_lynkor_core"), std::string::npos) << path;
    EXPECT_EQ(aDirectory_ExecutableFilePath(path, 4), aErrRead);
    EXPECT_STREQ(path, "");
}

}  // namespace
