#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

#include "firmware/bird_file.h"
#include "firmware/updater_store.h"
#include "support/bird_file_builder.h"
#include "support/temp_dir.h"
#include "unit/updater/log_capture.h"

using testing_support::BirdFileBuilder;
using testing_support::fileExists;
using testing_support::namesIn;
using testing_support::readFile;
using testing_support::TempDir;
using testing_support::writeFile;

namespace {

std::string errorOf(const std::string& root) {
    try {
        UpdaterStore store(root);
    } catch (const std::runtime_error& error) {
        return error.what();
    }
    return "no error";
}

TEST(UpdaterStore, CreatesTheRootOrRefusesWhatIsInTheWay) {
    TempDir dir;
    const std::string root = dir.file("home/.norvane/updater");
    {
        LogCapture log(DEBUG_Updater);
        UpdaterStore store(root);
        EXPECT_TRUE(std::filesystem::is_directory(root));
        EXPECT_TRUE(log.contains("UpdaterStore: Created directory [" + root + "].\n"));
    }
    {
        LogCapture log(DEBUG_Updater);
        UpdaterStore again(root);
        EXPECT_TRUE(log.contains("UpdaterStore: [" + root + "] already exists.\n"));
    }
    writeFile(dir.file("plain"), "x");
    EXPECT_EQ(errorOf(dir.file("plain")),
              "UpdaterStore: " + dir.file("plain") + " exists and is a file");
    EXPECT_EQ(readFile(dir.file("plain")), "x");
    EXPECT_EQ(errorOf(dir.file("plain/updater")), "UpdaterStore: Could not create directory " +
                                                      dir.file("plain/updater") + " error 12");
}

TEST(UpdaterStore, CreateDeviceMakesItsDirectoryAndSettings) {
    TempDir dir;
    UpdaterStore store(dir.file("updater"));
    StoreItem device = store.createDevice(0x0000ABCD);
    EXPECT_EQ(device.directory(), dir.file("updater"));
    EXPECT_EQ(device.name(), "0000ABCD");
    EXPECT_TRUE(device.isDirectory());
    EXPECT_EQ(namesIn(dir.file("updater/0000ABCD")), std::vector<std::string>{".settings"});
    const std::string created = device.settings().getString("CREATED_TIME");
    EXPECT_EQ(created.size(), 24u);
    EXPECT_EQ(device.settings().filename(), dir.file("updater/0000ABCD/.settings"));

    // A second call finds what the first made and keeps its settings.
    device.settings().set("LATEST_DOWNLOAD", "12.bird");
    device.settings().save();
    StoreItem again = store.createDevice(0x0000ABCD);
    EXPECT_EQ(again.settings().getString("CREATED_TIME"), created);
    EXPECT_EQ(again.settings().getInt("LATEST_DOWNLOAD", 0), 12);
}

TEST(UpdaterStore, FindDeviceMatchesTheEntryNameExactly) {
    TempDir dir;
    // The root's own path holds the serial text, and so do near-miss entries.
    const std::string root = dir.file("0000ABCD/updater");
    UpdaterStore store(root);
    std::filesystem::create_directory(root + "/10000ABCD");
    std::filesystem::create_directory(root + "/0000ABCD0");
    std::filesystem::create_directory(root + "/100000001");
    EXPECT_FALSE(store.FindDevice(0x0000ABCD));
    EXPECT_FALSE(store.FindDevice(0x00000001));

    store.createDevice(0x0000ABCD);
    LogCapture log(DEBUG_Updater);
    StoreItem item;
    ASSERT_TRUE(store.FindDevice(0x0000ABCD, &item));
    EXPECT_EQ(item.directory(), root);
    EXPECT_EQ(item.name(), "0000ABCD");
    EXPECT_TRUE(item.isDirectory());
    EXPECT_EQ(item.settings().filename(), root + "/0000ABCD/.settings");
    EXPECT_TRUE(log.contains("UpdaterStore: FindDevice Found 0000ABCD.\n"));
    EXPECT_TRUE(log.contains("searching for 0000ABCD\n"));
    EXPECT_TRUE(log.contains("_find_item([" + root + "/0000ABCD], 1, "));
}

TEST(UpdaterStore, ItemsFormListsTheDeviceFilesButNotHiddenOnes) {
    TempDir dir;
    UpdaterStore store(dir.file("updater"));
    std::vector<StoreItem> items{StoreItem()};
    EXPECT_TRUE(store.FindDevice(0x12345678, items));
    EXPECT_TRUE(items.empty());

    StoreItem device = store.createDevice(0x12345678);
    const std::vector<uint8_t> bytes{1, 2, 3};
    ASSERT_EQ(device.writeFile("12.bird", bytes), aErrNone);
    ASSERT_EQ(device.writeFile("13.bird", bytes), aErrNone);
    writeFile(device.path() + "/.12.bird.0123456789abcdef.tmp", "left over");

    EXPECT_TRUE(store.FindDevice(0x12345678, items));
    ASSERT_EQ(items.size(), 2u);
    std::vector<std::string> names{items[0].name(), items[1].name()};
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"12.bird", "13.bird"}));
    for (const StoreItem& item : items) {
        EXPECT_EQ(item.directory(), device.path());
        EXPECT_FALSE(item.isDirectory());
        EXPECT_TRUE(item.settings().values().empty());
    }
    EXPECT_EQ(namesIn(device.path()),
              (std::vector<std::string>{".12.bird.0123456789abcdef.tmp", ".settings", "12.bird",
                                        "13.bird"}));
}

TEST(StoreItem, WriteFileReplacesWholeFilesOnly) {
    TempDir dir;
    UpdaterStore store(dir.file("updater"));
    StoreItem device = store.createDevice(0x1);
    EXPECT_EQ(device.writeFile("7.bird", {}), aErrNotFound);
    EXPECT_FALSE(fileExists(device.path() + "/7.bird"));

    const std::vector<uint8_t> first(5000, 0xAA);
    const std::vector<uint8_t> second{'s', 'h', 'o', 'r', 't'};
    ASSERT_EQ(device.writeFile("7.bird", first), aErrNone);
    ASSERT_EQ(device.writeFile("7.bird", second), aErrNone);
    EXPECT_EQ(readFile(device.path() + "/7.bird"), "short");
    EXPECT_EQ(namesIn(device.path()), (std::vector<std::string>{".settings", "7.bird"}));

    StoreItem missing(dir.file("nowhere"), "00000001", false);
    EXPECT_EQ(missing.writeFile("7.bird", second), aErrNotFound);
}

TEST(StoreItem, LoadBirdRefusesWhatIsNotABirdFile) {
    TempDir dir;
    UpdaterStore store(dir.file("updater"));
    StoreItem device = store.createDevice(0x40F5849A);
    BirdFileBuilder builder;
    builder.firmware(0x100, std::vector<uint8_t>(64, 7)).information("", "1.2.3", "40F5849A", "M");
    ASSERT_EQ(device.writeFile("5.bird", builder.fileBytes()), aErrNone);
    auto corrupt = builder.fileBytes();
    corrupt.resize(corrupt.size() / 2);
    ASSERT_EQ(device.writeFile("6.bird", corrupt), aErrNone);
    writeFile(device.path() + "/7.bird", "<html>not found</html>");

    BirdFile bird;
    device.loadBird("5.bird", bird);
    EXPECT_EQ(bird.getVersion(), "1.2.3");
    EXPECT_EQ(bird.filename(), device.path() + "/5.bird");

    for (const std::string name : {"6.bird", "7.bird", "8.bird"}) {
        SCOPED_TRACE(name);
        BirdFile other;
        try {
            device.loadBird(name, other);
            ADD_FAILURE() << "loaded";
        } catch (const std::runtime_error& error) {
            const std::string expected = name == "6.bird"
                                             ? "Failed to load bird data"
                                             : "Invalid bird " + device.path() + "/" + name;
            EXPECT_EQ(error.what(), expected);
        }
    }
}

}  // namespace
