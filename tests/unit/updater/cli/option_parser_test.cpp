#include "cli/option_parser.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cli/option_table.h"
#include "cli/parameter_values.h"
#include "display/output.h"
#include "unit/updater/recording_display.h"

namespace {

struct Parsed {
    int result;
    UpdaterSettings settings;
    std::vector<std::string> errors;
};

Parsed parse(std::vector<std::string> arguments) {
    arguments.insert(arguments.begin(), "/usr/local/bin/updater");
    std::vector<const char*> argv;
    for (const std::string& argument : arguments) {
        argv.push_back(argument.c_str());
    }
    RecordingDisplay display;
    Parsed parsed{0, {}, {}};
    parsed.result =
        parseCommandLine(static_cast<int>(argv.size()), argv.data(), parsed.settings, &display);
    parsed.errors = display.errors;
    return parsed;
}

std::string optionName(std::string_view text) {
    const OptionEntry* entry = findOption(text);
    return entry == nullptr ? "" : entry->name;
}

TEST(OptionTable, ExactMatchThenUniquePrefix) {
    EXPECT_EQ(optionName("-h"), "-h");
    EXPECT_EQ(optionName("-H"), "-H");
    EXPECT_EQ(optionName("-O"), "-OVERRIDE");
    EXPECT_EQ(optionName("-OVERRID"), "-OVERRIDE");
    EXPECT_EQ(optionName("--"), "--help");
    // "-" begins every entry: a tie, so it is none of them.
    EXPECT_EQ(optionName("-"), "");
    EXPECT_EQ(optionName(""), "");
    // Longer than the entry never matches: a parameter must be separate or follow "=".
    EXPECT_EQ(optionName("-Xfoo"), "");
    EXPECT_EQ(optionName("-OVERRIDES"), "");
    EXPECT_EQ(optionName("--helpme"), "");
    // Case matters.
    EXPECT_EQ(optionName("-ov"), "");
    EXPECT_EQ(optionName("-x"), "");
}

TEST(ParameterValues, SerialDigitsAreHexAndSaturate) {
    EXPECT_EQ(parseSerialDigits("1A2B"), 0x1A2Bu);
    EXPECT_EQ(parseSerialDigits("d272031d"), 0xD272031Du);
    EXPECT_EQ(parseSerialDigits("FFFFFFFF"), 0xFFFFFFFFu);
    EXPECT_EQ(parseSerialDigits("100000000"), 0xFFFFFFFFu);
    EXPECT_EQ(parseSerialDigits(std::string(5000, 'f')), 0xFFFFFFFFu);
    EXPECT_EQ(parseSerialDigits("12G4"), 0u);
    EXPECT_EQ(parseSerialDigits(" 12"), 0u);
    EXPECT_EQ(parseSerialDigits("-1"), 0u);
    EXPECT_EQ(parseSerialDigits(""), 0u);
}

TEST(ParameterValues, DecimalDigitsOnly) {
    EXPECT_EQ(parseDecimalDigits("007"), 7u);
    EXPECT_EQ(parseDecimalDigits("99528558"), 99528558u);
    EXPECT_EQ(parseDecimalDigits("4294967296"), 0xFFFFFFFFu);
    EXPECT_EQ(parseDecimalDigits("12x"), 0u);
    EXPECT_EQ(parseDecimalDigits("1A"), 0u);
    EXPECT_EQ(parseDecimalDigits("+5"), 0u);
}

TEST(ParameterValues, DebugMaskBaseFollowsThePrefix) {
    auto check = [](std::string_view text, uint32_t value, std::string_view leftover) {
        SCOPED_TRACE(std::string(text));
        const DebugMaskValue mask = parseDebugMask(text);
        EXPECT_EQ(mask.value, value);
        EXPECT_EQ(mask.leftover, leftover);
    };
    check("0x10000", 0x10000, "");
    check("0XfF", 0xFF, "");
    // Without the prefix the text is decimal, leading zero or not: never octal, never hex.
    check("010", 10, "");
    check("16", 16, "");
    check("1f", 1, "f");
    check("12abc", 12, "abc");
    check("0x1G", 1, "G");
    check("0x", 0, "x");
    check("0xZ", 0, "xZ");
    check("", 0, "");
    check("99999999999", 0xFFFFFFFF, "");
    check("0x123456789", 0xFFFFFFFF, "");
    check(" 5", 0, " 5");
}

TEST(OptionParser, DefaultsAndProgramName) {
    const Parsed parsed = parse({});
    EXPECT_EQ(parsed.result, 0);
    EXPECT_EQ(parsed.settings.programName, "updater");
    EXPECT_EQ(parsed.settings.transport, TRANSPORT_USB);
    EXPECT_EQ(parsed.settings.baudRate, 115200u);
    EXPECT_TRUE(parsed.settings.useUEIBytes);
    EXPECT_TRUE(parsed.settings.printExtendedUsage);
    EXPECT_EQ(parsed.settings.serverUrl, "http://updates.norvane.com/cgi/u");
    EXPECT_EQ(parsed.settings.logFileName, "Updater.log");
    EXPECT_EQ(parsed.settings.logMode, "a+");

    UpdaterSettings settings;
    const char* windowsPath[] = {"C:\\Tools\\Updater.exe"};
    parseCommandLine(1, windowsPath, settings, nullptr);
    EXPECT_EQ(settings.programName, "Updater.exe");
    UpdaterSettings empty;
    EXPECT_EQ(parseCommandLine(0, nullptr, empty, nullptr), 0);
    EXPECT_EQ(empty.programName, "");
}

TEST(OptionParser, CommandLettersSetTheirBits) {
    const Parsed parsed = parse({"-B", "-L", "-D", "-G", "-I", "-U", "-N", "-C", "-J", "-Z", "x"});
    EXPECT_EQ(parsed.settings.commandFlags, 0x3FFu);
    EXPECT_FALSE(parsed.settings.overrideModelChecks);
    EXPECT_TRUE(parse({"-OV"}).settings.overrideModelChecks);
    EXPECT_TRUE(parse({"/OVERRIDE"}).settings.overrideModelChecks);
}

TEST(OptionParser, EqualsSplitsAtTheFirstEqualsSign) {
    const Parsed parsed = parse({"-d=1A2B", "-b=007", "-u=http://h/q?a=b", "-s=", "-B=1"});
    EXPECT_EQ(parsed.result, 0);
    EXPECT_EQ(parsed.settings.serialNumber, 0x1A2Bu);
    EXPECT_EQ(parsed.settings.buildNumber, "7");
    EXPECT_EQ(parsed.settings.serverUrl, "http://h/q?a=b");
    EXPECT_EQ(parsed.settings.serialPortName, "");
    // A parameter given to an option that takes none skips the option.
    EXPECT_EQ(parsed.settings.commandFlags, 0u);
    // The "=" form takes even a text that begins with "-".
    EXPECT_EQ(parse({"-f=-weird.bird"}).settings.birdFilePath, "-weird.bird");
}

TEST(OptionParser, ParametersAreRefusedWhenTheyAreOptions) {
    const Parsed dash = parse({"-s", "-D"});
    EXPECT_EQ(dash.settings.serialPortName, "");
    EXPECT_EQ(dash.settings.commandFlags, CMD_DISCOVER);

    const Parsed path = parse({"-s", "/dev/ttyUSB0", "-f", "/srv/fw/1234.bird", "-i", "/data"});
    EXPECT_EQ(path.settings.serialPortName, "/dev/ttyUSB0");
    EXPECT_EQ(path.settings.birdFilePath, "/srv/fw/1234.bird");
    EXPECT_EQ(path.settings.storeRootDirectory, "/data");

    // "/D" names -D, so it cannot be the port.
    const Parsed slash = parse({"-s", "/D"});
    EXPECT_EQ(slash.settings.serialPortName, "");
    EXPECT_EQ(slash.settings.commandFlags, CMD_DISCOVER);
    // "/-x" is never an option, so it can be a parameter.
    EXPECT_EQ(parse({"-s", "/-x"}).settings.serialPortName, "/-x");
    // A missing last parameter is passed over in silence.
    const Parsed missing = parse({"-d"});
    EXPECT_EQ(missing.result, 0);
    EXPECT_TRUE(missing.errors.empty());
}

TEST(OptionParser, ValueRules) {
    EXPECT_EQ(parse({"-b", "12x"}).settings.buildNumber, "0");
    EXPECT_EQ(parse({"-o", "9600"}).settings.baudRate, 9600u);
    EXPECT_EQ(parse({"-o", "9600 baud"}).settings.baudRate, 0u);
    EXPECT_TRUE(parse({"-m", "1"}).settings.useUEIBytes);
    EXPECT_TRUE(parse({"-m", "trueish"}).settings.useUEIBytes);
    EXPECT_FALSE(parse({"-m", "yes"}).settings.useUEIBytes);
    EXPECT_FALSE(parse({"-m", "TRUE"}).settings.useUEIBytes);
    EXPECT_EQ(parse({"-t", "TCPIP"}).settings.transport, TRANSPORT_TCPIP);
    EXPECT_EQ(parse({"-t", "RECOVERY"}).settings.transport, TRANSPORT_RECOVER);
    EXPECT_EQ(parse({"-d", "0X1a2b"}).settings.serialNumber, 0x1A2Bu);
    EXPECT_EQ(parse({"-r", "FFFFFFFFFF"}).settings.routerSerialNumber, 0xFFFFFFFFu);

    const Parsed transport = parse({"-t", "usb"});
    EXPECT_EQ(transport.result, 1);
    EXPECT_EQ(transport.settings.transport, TRANSPORT_INVALID);
    EXPECT_TRUE(transport.settings.transportGiven);
}

TEST(OptionParser, MistypedMaskLeavesTheGlobalMaskAlone) {
    const uint32_t before = debugMask();
    const Parsed parsed = parse({"-X", "0x10000000zz"});
    EXPECT_EQ(parsed.result, 0);
    EXPECT_EQ(debugMask(), before);
    EXPECT_EQ(parsed.settings.debugMask, 0x10000000u);
    ASSERT_EQ(parsed.errors.size(), 1u);
    EXPECT_EQ(parsed.errors[0], "Invalid format for \"-X\" parameter, unprocessed characters [zz]");
}

TEST(OptionParser, HelpEndsParsingAndDiscardsRefusals) {
    const Parsed parsed = parse({"-d", "XYZ", "--he", "-Y", "-d", "12"});
    EXPECT_EQ(parsed.result, 0);
    EXPECT_TRUE(parsed.settings.helpRequested);
    EXPECT_EQ(parsed.settings.commandFlags, CMD_HELP);
    EXPECT_EQ(parsed.settings.serialNumber, 0u);
    ASSERT_EQ(parsed.errors.size(), 1u);
    EXPECT_EQ(parsed.errors[0], "Invalid serial number obtained from argument [XYZ]");
}

TEST(OptionParser, EveryRefusalIsReportedAndTheLastValueStays) {
    const Parsed parsed = parse({"-d", "0", "-Y", "-d", "40F5849A"});
    EXPECT_EQ(parsed.result, 1);
    EXPECT_EQ(parsed.settings.serialNumber, 0x40F5849Au);
    EXPECT_EQ(parsed.errors,
              (std::vector<std::string>{"Invalid serial number obtained from argument [0]",
                                        "Unhandled command: [-Y]"}));
}

}  // namespace
