// The run as a whole: which commands of a table run, in what order, what ends the run, and how
// failures reach the user and the exit status.
#include "cli/command_dispatch.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/command_failure.h"
#include "app/updater_app.h"
#include "cli/driver.h"
#include "commands/get_firmware.h"
#include "support/bird_file_builder.h"
#include "support/process.h"
#include "support/temp_dir.h"
#include "unit/updater/recording_display.h"

namespace {

// What the recording handlers did, and what they are to answer; reset by every test.
struct Recorder {
    std::vector<std::string> calls;
    std::set<std::string> failing;
    std::string buildSeenByFinal;
};
Recorder g_recorder;

template <const char* Name>
bool s_record(UpdaterApp&, UpdaterSettings& settings) {
    g_recorder.calls.push_back(Name);
    g_recorder.buildSeenByFinal = settings.buildNumber;
    return g_recorder.failing.count(Name) == 0;
}

constexpr char kFirst[] = "first";
constexpr char kSecond[] = "second";
constexpr char kThird[] = "third";
constexpr char kFourth[] = "fourth";

bool s_hasPort(const UpdaterSettings& settings) {
    return !settings.serialPortName.empty();
}

// Two leading and two final commands, as the real table has them; the second needs a port.
const std::vector<CommandEntry> kTable = {
    {CMD_FINGERPRINT, "-N", CommandStage::Leading, std::nullopt, s_record<kFirst>},
    {CMD_GET_FIRMWARE, "-G", CommandStage::Leading,
     CommandPrerequisite{s_hasPort, "Needs a port\nSee --help", true}, s_record<kSecond>},
    {CMD_DISCOVER, "-D", CommandStage::Final, std::nullopt, s_record<kThird>},
    {CMD_LIST_SERVER_BUILDS, "-B", CommandStage::Final, std::nullopt, s_record<kFourth>},
    {CMD_UPDATE, "-U", CommandStage::Final, std::nullopt, nullptr},
};

class CommandDispatch : public ::testing::Test {
protected:
    void SetUp() override { g_recorder = {}; }

    int run(uint32_t flags, const std::set<std::string>& failing = {}) {
        g_recorder.failing = failing;
        UpdaterSettings settings;
        settings.commandFlags = flags;
        settings.serialPortName = "/dev/ttyS0";
        UpdaterApp app("http://127.0.0.1:9/cgi/u", store.path(), &display);
        return runCommands(kTable, app, settings);
    }

    testing_support::TempDir store;
    RecordingDisplay display;
};

TEST_F(CommandDispatch, LeadingCommandsAllRunThenTheFirstFinalOneDecides) {
    struct Case {
        uint32_t flags;
        std::set<std::string> failing;
        std::vector<std::string> calls;
        int exitStatus;
    };
    const uint32_t leading = CMD_FINGERPRINT | CMD_GET_FIRMWARE;
    const std::vector<Case> cases = {
        {0, {}, {}, kExitSuccess},
        {leading | CMD_DISCOVER | CMD_LIST_SERVER_BUILDS, {}, {kFirst, kSecond, kThird}, 0},
        {CMD_LIST_SERVER_BUILDS | CMD_DISCOVER, {}, {kThird}, kExitSuccess},
        {CMD_LIST_SERVER_BUILDS, {kFourth}, {kFourth}, kExitFailure},
        // A failed leading command does not stop the run; the final one has the last word.
        {leading | CMD_LIST_SERVER_BUILDS, {kFirst, kSecond}, {kFirst, kSecond, kFourth}, 0},
        {leading | CMD_DISCOVER, {kThird}, {kFirst, kSecond, kThird}, kExitFailure},
        // Without a final command the last leading one's outcome is the exit status.
        {leading, {kFirst}, {kFirst, kSecond}, kExitSuccess},
        {leading, {kSecond}, {kFirst, kSecond}, kExitFailure},
        {CMD_FINGERPRINT, {kFirst}, {kFirst}, kExitFailure},
        // Flags no entry stands for run nothing.
        {CMD_INFO | CMD_CHECK | CMD_Z, {}, {}, kExitSuccess},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "flags " << c.flags);
        g_recorder.calls.clear();
        EXPECT_EQ(run(c.flags, c.failing), c.exitStatus);
        EXPECT_EQ(g_recorder.calls, c.calls);
    }
    EXPECT_TRUE(display.errors.empty());
}

TEST_F(CommandDispatch, CommandThatCannotRunIsRefusedBeforeAnythingAfterIt) {
    UpdaterSettings settings;
    settings.commandFlags = CMD_FINGERPRINT | CMD_GET_FIRMWARE | CMD_DISCOVER;
    UpdaterApp app("http://127.0.0.1:9/cgi/u", store.path(), &display);
    try {
        runCommands(kTable, app, settings);
        ADD_FAILURE() << "a command without its port ran";
    } catch (const CommandFailure& failure) {
        EXPECT_STREQ(failure.what(), "Needs a port\nSee --help");
        EXPECT_TRUE(failure.showShortUsage());
    }
    EXPECT_EQ(g_recorder.calls, std::vector<std::string>{kFirst});

    g_recorder.calls.clear();
    settings.commandFlags = CMD_UPDATE | CMD_GET_FIRMWARE;
    settings.serialPortName = "/dev/ttyS0";
    try {
        runCommands(kTable, app, settings);
        ADD_FAILURE() << "a command this version lacks counted as run";
    } catch (const CommandFailure& failure) {
        EXPECT_STREQ(failure.what(), "The -U command is not available in this version");
        EXPECT_FALSE(failure.showShortUsage());
    }
    EXPECT_EQ(g_recorder.calls, std::vector<std::string>{kSecond});
}

// runUpdater as main calls it, on an argument list, with a table of the test's choosing.
class WholeRun : public ::testing::Test {
protected:
    void SetUp() override { g_recorder = {}; }

    int run(std::vector<std::string> arguments, const std::vector<CommandEntry>& table) {
        arguments.insert(arguments.begin(), "updater");
        arguments.insert(arguments.end(), {"-i", root.path()});
        std::vector<const char*> argv;
        for (const std::string& argument : arguments) {
            argv.push_back(argument.c_str());
        }
        return runCatchingUnexpected(display, [&] {
            return runUpdater(static_cast<int>(argv.size()), argv.data(), display, table);
        });
    }

    size_t errorsContaining(const std::string& text) const {
        return static_cast<size_t>(std::count_if(
            display.errors.begin(), display.errors.end(),
            [&](const auto& error) { return error.find(text) != std::string::npos; }));
    }

    testing_support::TempDir root;
    RecordingDisplay display;
};

constexpr char kReason[] = "Could not open /dev/ttyS9: no such port";

bool s_failWithReason(UpdaterApp&, UpdaterSettings&) {
    throw CommandFailure(kReason, true);
}
bool s_failUnexpectedly(UpdaterApp&, UpdaterSettings&) {
    throw std::logic_error("table row without a check");
}
bool s_throwNonStandard(UpdaterApp&, UpdaterSettings&) {
    throw 42;
}

TEST_F(WholeRun, FailuresReachTheUserOnceAndEndTheRunWithStatusOne) {
    const std::vector<CommandEntry> reasoned = {
        {CMD_DISCOVER, "-D", CommandStage::Final, std::nullopt, s_failWithReason}};
    EXPECT_EQ(run({"-D"}, reasoned), kExitFailure);
    EXPECT_EQ(errorsContaining(kReason), 1u);
    EXPECT_EQ(display.errors.front(), kReason);
    // The short usage follows when the failure asks for it.
    EXPECT_EQ(errorsContaining("Application Usage:"), 1u);

    display.errors.clear();
    const std::vector<CommandEntry> unexpected = {
        {CMD_DISCOVER, "-D", CommandStage::Final, std::nullopt, s_failUnexpectedly},
        {CMD_UPDATE, "-U", CommandStage::Final, std::nullopt, s_throwNonStandard}};
    EXPECT_EQ(run({"-D"}, unexpected), kExitFailure);
    EXPECT_EQ(display.errors, std::vector<std::string>{"Updater stopped on an unexpected error: "
                                                       "table row without a check"});
    display.errors.clear();
    EXPECT_EQ(run({"-U"}, unexpected), kExitFailure);
    EXPECT_EQ(display.errors, std::vector<std::string>{"Updater stopped on an unexpected error"});
}

TEST_F(WholeRun, StoreDirectoryFailureEndsTheRunBeforeAnyCommand) {
    const std::string blocker = root.file("updater");
    testing_support::writeFile(blocker, "x");
    EXPECT_EQ(run({"-D"}, kTable), kExitFailure);
    EXPECT_EQ(display.errors,
              std::vector<std::string>{"Could not find updater directory at " + blocker});
    EXPECT_TRUE(g_recorder.calls.empty());
}

// The real -G before a final command that shows which build it was handed.
const std::vector<CommandEntry> kGetThenShow = {
    {CMD_GET_FIRMWARE, "-G", CommandStage::Leading, std::nullopt, runGetFirmware},
    {CMD_UPDATE, "-U", CommandStage::Final, std::nullopt, s_record<kThird>},
};

class GetFirmwareHandoff : public WholeRun {
protected:
    void SetUp() override {
        WholeRun::SetUp();
        const std::string device = serverRoot.file("40F5849A");
        std::filesystem::create_directories(device);
        testing_support::writeFile(device + "/device.conf",
                                   "latest=1234\ntag=prod\nbuild=1234;1.2.3\n");
        const auto bird =
            testing_support::BirdFileBuilder()
                .information("Norvane", "1.2.3", "40F5849A", "USBHub3c")
                .firmware(0x8000, testing_support::BirdFileBuilder::noiseImage(256, 1))
                .fileBytes();
        testing_support::writeFile(device + "/1234.bird", std::string(bird.begin(), bird.end()));
        server = std::make_unique<testing_support::ChildProcess>(std::vector<std::string>{
            testing_support::programPath("update_server"), "--root", serverRoot.path()});
        const std::string port = server->readLine();
        ASSERT_FALSE(port.empty()) << "the update server did not start";
        url = "http://127.0.0.1:" + port + "/cgi/u";
    }

    testing_support::TempDir serverRoot;
    std::unique_ptr<testing_support::ChildProcess> server;
    std::string url;
};

TEST_F(GetFirmwareHandoff, StoredBuildReachesTheFollowingCommandAndAFailureKeepsTheGivenOne) {
    struct Case {
        std::vector<std::string> arguments;
        std::string handedBuild;
        int exitStatus;
    };
    const std::vector<Case> cases = {
        {{"-G", "-U", "-d", "40F5849A"}, "1234", kExitSuccess},
        {{"-G", "-U", "-d", "40F5849A", "-b", "01234"}, "1234", kExitSuccess},
        // Not offered: -G fails, and the update still runs with the build it was given.
        {{"-G", "-U", "-d", "40F5849A", "-b", "999"}, "999", kExitSuccess},
        {{"-G", "-U", "-d", "40F5849A", "-b", "999"}, "999", kExitFailure},
    };
    for (size_t i = 0; i < cases.size(); ++i) {
        const Case& c = cases[i];
        SCOPED_TRACE(testing::PrintToString(c.arguments));
        g_recorder = {};
        if (c.exitStatus == kExitFailure) {
            g_recorder.failing = {kThird};
        }
        std::vector<std::string> arguments = c.arguments;
        arguments.insert(arguments.end(), {"-u", url});
        EXPECT_EQ(run(arguments, kGetThenShow), c.exitStatus);
        EXPECT_EQ(g_recorder.calls, std::vector<std::string>{kThird});
        EXPECT_EQ(g_recorder.buildSeenByFinal, c.handedBuild);
    }
    EXPECT_EQ(errorsContaining("No valid build 999"), 2u);
}

}  // namespace
