#include <gtest/gtest.h>

#include <filesystem>
#include <stdexcept>
#include <vector>

#include "firmware/bird_file.h"
#include "support/bird_file_builder.h"
#include "support/temp_dir.h"
#include "unit/updater/log_capture.h"

using testing_support::BirdFileBuilder;
using testing_support::TempDir;

namespace {

BirdFileBuilder sample() {
    return BirdFileBuilder()
        .firmware(0x1000, std::vector<uint8_t>(100, 0x5A))
        .information("x", "3.1.4", "40F5849A", "ABC12X");
}

TEST(BirdFileProbe, AcceptsOnlyAFullHeaderWithNonZeroVersion) {
    TempDir dir;
    sample().writeTo(dir.file("good.bird"));
    sample().version(1, 0).writeTo(dir.file("minor0.bird"));
    sample().version(0, 1).writeTo(dir.file("major0.bird"));
    testing_support::writeFile(dir.file("short.bird"), "bird\x01");
    testing_support::writeFile(dir.file("other.bird"), "BIRD\x01\x01 not a bird file");

    EXPECT_TRUE(BirdFile::isBirdFile(dir.file("good.bird")));
    EXPECT_FALSE(BirdFile::isBirdFile(dir.file("minor0.bird")));
    EXPECT_FALSE(BirdFile::isBirdFile(dir.file("major0.bird")));
    EXPECT_FALSE(BirdFile::isBirdFile(dir.file("short.bird")));
    EXPECT_FALSE(BirdFile::isBirdFile(dir.file("other.bird")));
    EXPECT_FALSE(BirdFile::isBirdFile(dir.path()));

    LogCapture log(DEBUG_BirdFile);
    EXPECT_FALSE(BirdFile::isBirdFile(dir.file("missing.bird")));
    EXPECT_TRUE(log.contains("BIRDFILE: Error - cannot open bird file: '" +
                             dir.file("missing.bird") + "'\n"));
}

TEST(BirdFileLoad, ConstructsFromAFile) {
    TempDir dir;
    const std::string path = dir.file("1234.bird");
    sample().writeTo(path);
    LogCapture log(DEBUG_BirdFile);
    BirdFile bird(path);
    EXPECT_EQ(bird.filename(), path);
    EXPECT_EQ(bird.blockCount(), 2u);
    EXPECT_EQ(bird.getVersion(), "3.1.4");
    EXPECT_TRUE(bird.matchesSerialNumber(0x40F5849A));
    EXPECT_TRUE(log.contains("BIRDFILE: Loading File [" + path + "]\n"));
}

TEST(BirdFileLoad, BadFilesAreRefusedWithTheirMessages) {
    TempDir dir;
    auto bytes = sample().fileBytes();
    BirdFileBuilder::writeBytes(dir.file("truncated.bird"),
                                std::vector<uint8_t>(bytes.begin(), bytes.end() - 7));
    BirdFileBuilder::writeBytes(dir.file("header.bird"),
                                std::vector<uint8_t>(bytes.begin(), bytes.begin() + 6));
    BirdFileBuilder::writeBytes(dir.file("empty.bird"), {});
    testing_support::writeFile(dir.file("text.bird"), "LATEST_DOWNLOAD=12.bird\n");

    struct Case {
        std::string name;
        std::string message;
    };
    const std::vector<Case> cases{
        {"missing.bird", "BIRDFILE: BIRD file not found [" + dir.file("missing.bird") + "]\n"},
        {"truncated.bird", "BIRDFILE: Error (-3) decompressing bird file.\n"},
        {"header.bird", "BIRDFILE: Error (-5) decompressing bird file.\n"},
        {"empty.bird", "BIRDFILE: Error (-5) decompressing bird file.\n"},
        {"text.bird", "decompressing bird file.\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        LogCapture log(DEBUG_BirdFile);
        try {
            BirdFile bird(dir.file(c.name));
            ADD_FAILURE() << "loaded";
        } catch (const std::runtime_error& error) {
            EXPECT_STREQ(error.what(), "Failed to load bird data");
        }
        EXPECT_TRUE(log.contains(c.message)) << log.text();
    }
    // Far beyond any firmware: refused before anything is read or allocated for it.
    testing_support::writeFile(dir.file("huge.bird"), "");
    std::filesystem::resize_file(dir.file("huge.bird"), (64u << 20) + 1);
    {
        LogCapture log(DEBUG_BirdFile);
        EXPECT_FALSE(BirdFile().load(dir.file("huge.bird")));
        EXPECT_TRUE(log.contains("BIRDFILE: Error (14) getting bird file size from " +
                                 dir.file("huge.bird") + "\n"));
    }
    EXPECT_THROW(BirdFile(""), std::invalid_argument);
    EXPECT_FALSE(BirdFile().load(dir.path()));
}

}  // namespace
