#include <gtest/gtest.h>

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <utility>
#include <vector>

#include "support/process.h"
#include "support/temp_dir.h"

namespace {

using testing_support::ProcessResult;
using testing_support::TempDir;

const std::string kVersionLine = "Updater (Version: 2.12.0 Dec  4 2025)\n";
const std::string kNotice = "Copyright (c) 2025 Norvane. All rights reserved.\n";

std::string fixture(const std::string& name) {
    return testing_support::readFile(std::string(LYNKOR_SOURCE_DIR) + "/tests/fixtures/cli/" +
                                     name);
}

const std::string& shortUsage() {
    static const std::string text = fixture("short_usage.txt");
    return text;
}

const std::string& fullUsage() {
    static const std::string text = fixture("full_usage.txt");
    return text;
}

// Every run gets its own home, so nothing the tool creates leaks between cases.
class UpdaterCommandLine : public ::testing::Test {
protected:
    ProcessResult run(const std::vector<std::string>& arguments) {
        std::vector<std::string> argv{testing_support::programPath("updater")};
        argv.insert(argv.end(), arguments.begin(), arguments.end());
        testing_support::ProcessOptions options;
        options.environment = {"HOME=" + home.path()};
        options.timeout = std::chrono::seconds(20);
        return testing_support::runProcess(argv, options);
    }

    void expectRun(const std::vector<std::string>& arguments, const std::string& standardOutput,
                   const std::string& standardError, int exitStatus) {
        const ProcessResult result = run(arguments);
        EXPECT_EQ(result.standardOutput, standardOutput);
        EXPECT_EQ(result.standardError, standardError);
        EXPECT_EQ(result.exitStatus, exitStatus);
    }

    TempDir home;
};

TEST_F(UpdaterCommandLine, WithoutCommandShowsShortUsageAndSucceeds) {
    expectRun({}, kVersionLine + kNotice, shortUsage(), 0);
    // Options that set nothing to run, and options the tool does not know, change nothing.
    expectRun({"-Q"}, kVersionLine + kNotice, shortUsage(), 0);
    expectRun({"-b", "12", "-e", "-n", "-OV"}, kVersionLine + kNotice, shortUsage(), 0);
    // A command given a parameter with "=" is passed over, not run.
    expectRun({"-B=1"}, kVersionLine + kNotice, shortUsage(), 0);
}

TEST_F(UpdaterCommandLine, HelpInEveryFormShowsAllFourSections) {
    for (const char* help : {"-h", "-H", "--help", "--he", "--", "/h", "/H"}) {
        SCOPED_TRACE(help);
        expectRun({help}, kVersionLine + kNotice, fullUsage(), 0);
    }
    // Parsing stops at help: what follows is never looked at, not even a refused command.
    expectRun({"-h", "-Q", "-Y"}, kVersionLine + kNotice, fullUsage(), 0);
}

TEST_F(UpdaterCommandLine, HelpDiscardsAnEarlierRefusal) {
    expectRun({"-t", "usb", "-h"}, kVersionLine + kNotice,
              "Invalid transport type:[usb]\nMust be one of the following: USB, TCPIP, "
              "RECOVER\n" +
                  fullUsage(),
              0);
}

TEST_F(UpdaterCommandLine, RefusedValuesFailWithTheirMessageAndShortUsage) {
    struct Case {
        std::vector<std::string> arguments;
        std::string messages;
    };
    const std::vector<Case> cases = {
        {{"-d", "XYZ"}, "Invalid serial number obtained from argument [XYZ]\n"},
        {{"-d", "0"}, "Invalid serial number obtained from argument [0]\n"},
        {{"-d", "0x"}, "Invalid serial number obtained from argument []\n"},
        {{"-d=0X0"}, "Invalid serial number obtained from argument [0]\n"},
        {{"-r", "12 34"}, "Invalid router serial number obtained from argument [12 34]\n"},
        {{"-t", "usb"},
         "Invalid transport type:[usb]\nMust be one of the following: USB, TCPIP, RECOVER\n"},
        {{"-t", "RECOVE"},
         "Invalid transport type:[RECOVE]\nMust be one of the following: USB, TCPIP, "
         "RECOVER\n"},
        {{"-Y"}, "Unhandled command: [-Y]\n"},
        {{"/Y", "-D"}, "Unhandled command: [-Y]\n"},
        // Every problem is reported before the single usage print.
        {{"-d", "XYZ", "-Y", "-D"},
         "Invalid serial number obtained from argument [XYZ]\nUnhandled command: [-Y]\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.arguments.front());
        expectRun(c.arguments, kVersionLine + kNotice, c.messages + shortUsage(), 1);
    }
}

TEST_F(UpdaterCommandLine, AcceptedTransportsAndSerialForms) {
    for (const char* transport : {"USB", "TCP", "TCPIP", "RECOVER"}) {
        SCOPED_TRACE(transport);
        expectRun({"-t", transport, "-Z", "5"}, kVersionLine, "", 0);
    }
    expectRun({"-d", "0x1A2B", "-r", "d272031d", "-Z", "5"}, kVersionLine, "", 0);
    // Beyond 32 bits the serial saturates rather than being refused.
    expectRun({"-d", std::string(10000, 'A'), "-Z", "5"}, kVersionLine, "", 0);
}

TEST_F(UpdaterCommandLine, MistypedDebugMaskIsReportedButTheRunGoesOn) {
    const std::string error = "Invalid format for \"-X\" parameter, unprocessed characters [abc]\n";
    expectRun({"-X", "12abc"}, kVersionLine + kNotice, error + shortUsage(), 0);
    expectRun({"-X", "12abc", "-Z", "5"}, kVersionLine, error, 0);
    expectRun({"-X=0x"}, kVersionLine + kNotice,
              "Invalid format for \"-X\" parameter, unprocessed characters [x]\n" + shortUsage(),
              0);
}

TEST_F(UpdaterCommandLine, DiagnosticsFollowTheMaskAsItStoodWhenTheOptionWasRead) {
    expectRun({"-X", "1", "-d", "0x1A2B", "-r", "0XD272031D", "-Z", "5"}, kVersionLine,
              "Discarding '0x' serial number prefix\n"
              "Discarding '0x' router serial number prefix\n",
              0);
    expectRun({"-d", "0x1A2B", "-X", "1", "-Z", "5"}, kVersionLine, "", 0);
    // Decimal 16 is DEBUG_Network, not DEBUG_Updater: no prefix diagnostic.
    expectRun({"-X", "16", "-d", "0x1A2B", "-Z", "5"}, kVersionLine, "", 0);

    const ProcessResult result = run({"-X", "0x10000", "-Z=5", ""});
    EXPECT_EQ(result.standardOutput, kVersionLine);
    EXPECT_EQ(result.standardError, "\nApplication parameters:[updater]\n\t[" +
                                        testing_support::programPath("updater") +
                                        "]\n\t[-X]\n\t[0x10000]\n\t[-Z=5]\n\t[]\n");
    EXPECT_EQ(result.exitStatus, 0);
}

TEST_F(UpdaterCommandLine, CommandsMissingTheirDeviceOrPortFail) {
    expectRun({"-G"}, kVersionLine,
              "-G must specify a specific device via -d\n--help for usage information\n", 1);
    expectRun({"-N"}, kVersionLine, "Must specify the serial port used for connecting\n", 1);
    expectRun({"-U"}, kVersionLine, "Must specify the specific device to be updated\n", 1);
    expectRun({"-B"}, kVersionLine,
              "Error must supply a serial number for the List Builds command\n" + shortUsage(), 1);
    expectRun(
        {"-L"}, kVersionLine,
        "Error must supply a serial number for the List Local Builds command\n" + shortUsage(), 1);
    expectRun({"-J"}, kVersionLine,
              "Error must supply a serial number for the Get JWT command\n" + shortUsage(), 1);
    // A following option is not taken as the missing parameter.
    expectRun({"-d", "-B"}, kVersionLine,
              "Error must supply a serial number for the List Builds command\n" + shortUsage(), 1);
}

TEST_F(UpdaterCommandLine, CommandsRunInTheirFixedOrder) {
    struct Case {
        std::vector<std::string> arguments;
        std::string standardError;
    };
    const std::string getWithoutDevice =
        "-G must specify a specific device via -d\n--help for usage information\n";
    const std::vector<Case> cases = {
        // -B comes before -L: only its message appears.
        {{"-L", "-B"},
         "Error must supply a serial number for the List Builds command\n" + shortUsage()},
        // -N and -G come first, whatever the order on the line.
        {{"-D", "-G"}, getWithoutDevice},
        {{"-G", "-N"}, "Must specify the serial port used for connecting\n"},
        // A refused -N ends the run before -G asks anything.
        {{"-G", "-d", "1", "-N"}, "Must specify the serial port used for connecting\n"},
        // A refused -G ends the run before the final command.
        {{"-J", "-G"}, getWithoutDevice},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.arguments));
        expectRun(c.arguments, kVersionLine, c.standardError, 1);
    }
}

TEST_F(UpdaterCommandLine, SlashArgumentsAreOptionsOnlyWhenTheyNameOne) {
    // An absolute path is a parameter, not an option.
    const ProcessResult port = run({"-N", "-s", "/dev/ttyUSB0"});
    EXPECT_EQ(port.standardError.find("Must specify the serial port"), std::string::npos);
    // "/d" names -d, so it is refused as the port and then read as -d itself.
    expectRun({"-N", "-s", "/d"}, kVersionLine,
              "Must specify the serial port used for connecting\n", 1);
    expectRun(
        {"/L"}, kVersionLine,
        "Error must supply a serial number for the List Local Builds command\n" + shortUsage(), 1);
    // Neither "/-h" nor "/" nor an unknown "/word" is an option.
    expectRun({"/-h", "/", "/tmp"}, kVersionLine + kNotice, shortUsage(), 0);
}

TEST_F(UpdaterCommandLine, MalformedArgumentsNeverCrash) {
    for (const std::string& argument :
         {std::string(""), std::string("="), std::string("-="), std::string("-"),
          std::string(10000, 'x'), std::string("-") + std::string(10000, 'x'),
          std::string("\xff\xfe"), std::string("-\xff"), std::string("/\xff")}) {
        SCOPED_TRACE(argument.substr(0, 8));
        expectRun({argument}, kVersionLine + kNotice, shortUsage(), 0);
    }
    expectRun({"-d", "\xff"}, kVersionLine + kNotice,
              "Invalid serial number obtained from argument [\xff]\n" + shortUsage(), 1);

    // A message longer than the message buffer is cut, not overrun.
    const ProcessResult result = run({"-d", std::string(10000, 'Z')});
    const std::string firstLine = result.standardError.substr(0, result.standardError.find('\n'));
    EXPECT_EQ(firstLine.size(), 2047u);
    EXPECT_EQ(firstLine.rfind("Invalid serial number obtained from argument [ZZZ", 0), 0u);
    EXPECT_EQ(result.exitStatus, 1);
}

bool isDirectory(const std::string& path) {
    struct stat info {};
    return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

TEST_F(UpdaterCommandLine, CommandCreatesTheStoreUnderTheHomeDirectory) {
    expectRun({"-d", "1", "-Z", "5"}, kVersionLine, "", 0);
    EXPECT_TRUE(isDirectory(home.path() + "/.norvane/updater"));
    // Recorded, never opened.
    expectRun({"-d", "1", "-Z", "5", "-k", home.file("updater.log")}, kVersionLine, "", 0);
    EXPECT_FALSE(testing_support::fileExists(home.file("updater.log")));
}

TEST_F(UpdaterCommandLine, StoreDirectoryIsLeftAloneWithoutACommand) {
    expectRun({"-d", "1"}, kVersionLine + kNotice, shortUsage(), 0);
    expectRun({"-d", "XYZ", "-Z", "5"}, kVersionLine + kNotice,
              "Invalid serial number obtained from argument [XYZ]\n" + shortUsage(), 1);
    expectRun({"-h", "-Z", "5"}, kVersionLine + kNotice, fullUsage(), 0);
    EXPECT_FALSE(testing_support::fileExists(home.path() + "/.norvane"));
}

TEST_F(UpdaterCommandLine, StoreRootFromTheCommandLine) {
    TempDir elsewhere;
    // An absolute path is taken as the parameter; missing parents are created too.
    expectRun({"-i", elsewhere.path() + "/a/b", "-Z", "5"}, kVersionLine, "", 0);
    EXPECT_TRUE(isDirectory(elsewhere.path() + "/a/b/updater"));
    expectRun({"-i=" + elsewhere.path() + "/", "-Z", "5"}, kVersionLine, "", 0);
    EXPECT_TRUE(isDirectory(elsewhere.path() + "/updater"));
    EXPECT_FALSE(testing_support::fileExists(home.path() + "/.norvane"));
    // An empty root names no directory: the home directory serves.
    expectRun({"-i=", "-Z", "5"}, kVersionLine, "", 0);
    EXPECT_TRUE(isDirectory(home.path() + "/.norvane/updater"));
}

TEST_F(UpdaterCommandLine, UnusableStoreDirectoryFails) {
    const std::string blocker = home.file("not-a-directory");
    testing_support::writeFile(blocker, "x");
    expectRun({"-i", blocker, "-Z", "5"}, kVersionLine,
              "Could not find updater directory at " + blocker + "/updater\n", 1);
    expectRun({"-i", blocker + "/sub", "-D"}, kVersionLine,
              "Could not find updater directory at " + blocker + "/sub/updater\n", 1);
    // The store comes before any command: -G's missing -d is not reached.
    expectRun({"-i", blocker, "-G"}, kVersionLine,
              "Could not find updater directory at " + blocker + "/updater\n", 1);
    EXPECT_EQ(testing_support::readFile(blocker), "x");
}

TEST_F(UpdaterCommandLine, HomeDirectoryThatCannotBeFoundIsReported) {
    // Without HOME the home directory comes from the password database; a user it does not
    // know has none at all.
    constexpr uid_t kUnknownUser = 47113;
    if (::geteuid() != 0 || ::getpwuid(kUnknownUser) != nullptr ||
        !testing_support::fileExists("/usr/bin/setpriv")) {
        GTEST_SKIP() << "needs root, setpriv and a user id the password database does not know";
    }
    const std::string user = std::to_string(kUnknownUser);
    testing_support::ProcessOptions options;
    options.environment = {"HOME="};
    options.timeout = std::chrono::seconds(20);
    const ProcessResult result = testing_support::runProcess(
        {"/usr/bin/setpriv", "--reuid=" + user, "--regid=" + user, "--clear-groups",
         testing_support::programPath("updater"), "-d", "1", "-Z", "5"},
        options);
    EXPECT_EQ(result.standardOutput, kVersionLine);
    EXPECT_EQ(result.standardError,
              "Could not find your home directory: set HOME, or name a store directory with -i\n");
    EXPECT_EQ(result.exitStatus, 1);
}

}  // namespace
