// The checks that end a command before it asks the server anything.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/updater_app.h"
#include "commands/get_firmware.h"
#include "commands/open_store.h"
#include "support/temp_dir.h"
#include "unit/updater/recording_display.h"

namespace {

// Nothing listens here, so a request that slipped past a check would fail differently.
const std::string kNoServer = "http://127.0.0.1:9/cgi/u";

TEST(GetFirmwareGuards, BadBuildTextOrSerialStopsBeforeAnyRequest) {
    testing_support::TempDir store;
    RecordingDisplay display;
    UpdaterApp app(kNoServer, store.path(), &display);

    EXPECT_EQ(getFirmware(app, 0x40F5849A, "x12", false, false), 0u);
    EXPECT_EQ(getFirmware(app, 0x40F5849A, "4294967296", false, false), 0u);
    EXPECT_EQ(getFirmware(app, 0, "", false, false), 0u);
    EXPECT_EQ(display.errors,
              (std::vector<std::string>{"Build number 'x12' must be an number",
                                        "Build number '4294967296' must be an number",
                                        "Serial Number must be non-zero"}));
    EXPECT_TRUE(display.info.empty());
    EXPECT_EQ(display.busyCalls, 0);
}

TEST(OpenStore, StoreThatCannotBeCreatedIsReportedWithTheOperation) {
    testing_support::TempDir base;
    const std::string blocker = base.file("store");
    testing_support::writeFile(blocker, "x");
    RecordingDisplay display;

    EXPECT_EQ(openStore(&display, blocker, "Download_Firmware"), nullptr);
    ASSERT_EQ(display.errors.size(), 1u);
    EXPECT_EQ(display.errors[0],
              "Failed to Create UpdaterStore in: Download_Firmware - Exception: "
              "UpdaterStore: " +
                  blocker + " exists and is a file");
    EXPECT_NE(openStore(&display, base.file("fresh"), "Get_BuildListLocal"), nullptr);
    EXPECT_EQ(display.errors.size(), 1u);
}

}  // namespace
