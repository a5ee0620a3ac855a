#include "cli/option_parser.h"

#include <optional>
#include <string>
#include <string_view>

#include "cli/option_table.h"
#include "cli/parameter_values.h"
#include "display/output.h"

namespace {

constexpr int kAccepted = 0;
constexpr int kRefused = 1;

struct RecognizedOption {
    const OptionEntry* entry;
    // The option as matched, with a leading "/" written as "-" and any "=" part cut off.
    std::string text;
    std::optional<std::string_view> inlineParameter;
};

// "-x" is always meant as an option. "/x" is one only when it names a table entry: absolute
// paths begin with "/" too, and they must stay usable as parameters (-s /dev/ttyUSB0).
bool isSlashOption(const char* argument) {
    return argument[0] == '/' && argument[1] != '-' && argument[1] != '\0';
}

std::optional<RecognizedOption> recognize(const char* argument) {
    if (argument[0] != '-' && !isSlashOption(argument)) {
        return std::nullopt;
    }
    std::string text = std::string("-") + (argument + 1);
    std::optional<std::string_view> inlineParameter;
    const size_t equals = std::string_view(argument).find('=');
    if (equals != std::string_view::npos) {
        inlineParameter = std::string_view(argument).substr(equals + 1);
        text.resize(equals);
    }
    const OptionEntry* entry = findOption(text);
    if (entry == nullptr) {
        return std::nullopt;
    }
    return RecognizedOption{entry, std::move(text), inlineParameter};
}

// A following argument is refused as a parameter when it is itself an option.
bool refusedAsParameter(const char* argument) {
    return argument[0] == '-' || recognize(argument).has_value();
}

std::string_view programNameOf(const char* path) {
    const std::string_view text(path);
    const size_t separator = text.find_last_of("/\\");
    return separator == std::string_view::npos ? text : text.substr(separator + 1);
}

struct SerialMessages {
    const char* prefixDiagnostic;
    const char* invalidError;
};

constexpr SerialMessages kDeviceSerialMessages = {
    "Discarding '0x' serial number prefix\n",
    "Invalid serial number obtained from argument [%s]",
};
constexpr SerialMessages kRouterSerialMessages = {
    "Discarding '0x' router serial number prefix\n",
    "Invalid router serial number obtained from argument [%s]",
};

class Parser {
public:
    Parser(UpdaterSettings& settings, UpdaterDisplayInterface* display)
        : settings_(settings), display_(display) {}

    // Returns true when parsing must end here (help).
    bool apply(const RecognizedOption& option, std::string_view parameter);
    int result() const { return result_; }

private:
    uint32_t readSerial(std::string_view text, const SerialMessages& messages);
    void readDebugMask(const std::string& optionText, std::string_view text);
    void refuse() { result_ = kRefused; }

    UpdaterSettings& settings_;
    UpdaterDisplayInterface* display_;
    int result_ = kAccepted;
};

uint32_t Parser::readSerial(std::string_view text, const SerialMessages& messages) {
    if (text.starts_with("0x") || text.starts_with("0X")) {
        debugPrintf(DEBUG_Updater, "%s", messages.prefixDiagnostic);
        text.remove_prefix(2);
    }
    const uint32_t serial = parseSerialDigits(text);
    if (serial == 0) {
        const std::string shown(text);
        displayPrintf(display_, DISPLAY_ERROR, messages.invalidError, shown.c_str());
        refuse();
    }
    return serial;
}

void Parser::readDebugMask(const std::string& optionText, std::string_view text) {
    const DebugMaskValue mask = parseDebugMask(text);
    settings_.debugMask = mask.value;
    settings_.printExtendedUsage = true;
    if (!mask.leftover.empty()) {
        // A mistyped mask only costs diagnostics, so the run goes on without it.
        const std::string leftover(mask.leftover);
        displayPrintf(display_, DISPLAY_ERROR,
                      "Invalid format for \"%s\" parameter, unprocessed characters [%s]",
                      optionText.c_str(), leftover.c_str());
        return;
    }
    addDebugMask(mask.value);
}

bool Parser::apply(const RecognizedOption& option, std::string_view parameter) {
    switch (option.entry->id) {
        case OptionId::ListServerBuilds:
            settings_.commandFlags |= CMD_LIST_SERVER_BUILDS;
            break;
        case OptionId::ListLocalBuilds:
            settings_.commandFlags |= CMD_LIST_LOCAL_BUILDS;
            break;
        case OptionId::Discover:
            settings_.commandFlags |= CMD_DISCOVER;
            break;
        case OptionId::GetFirmware:
            settings_.commandFlags |= CMD_GET_FIRMWARE;
            break;
        case OptionId::Info:
            settings_.commandFlags |= CMD_INFO;
            break;
        case OptionId::Update:
            settings_.commandFlags |= CMD_UPDATE;
            break;
        case OptionId::Override:
            settings_.overrideModelChecks = true;
            break;
        case OptionId::Fingerprint:
            settings_.commandFlags |= CMD_FINGERPRINT;
            break;
        case OptionId::Unhandled:
            displayPrintf(display_, DISPLAY_ERROR, "Unhandled command: [%s]", option.text.c_str());
            refuse();
            break;
        case OptionId::Check:
            settings_.commandFlags |= CMD_CHECK;
            break;
        case OptionId::GetToken:
            settings_.commandFlags |= CMD_GET_TOKEN;
            break;
        case OptionId::Help:
            settings_.helpRequested = true;
            settings_.commandFlags |= CMD_HELP;
            return true;
        case OptionId::NFlag:
            settings_.nFlag = true;
            break;
        case OptionId::DebugMask:
            readDebugMask(option.text, parameter);
            break;
        case OptionId::Z:
            settings_.commandFlags |= CMD_Z;
            break;
        case OptionId::UseUEIBytes:
            settings_.useUEIBytes = parameter.starts_with("1") || parameter.starts_with("true");
            break;
        case OptionId::StoreRoot:
            settings_.storeRootDirectory = parameter;
            break;
        case OptionId::BuildNumber:
            settings_.buildNumber = std::to_string(parseDecimalDigits(parameter));
            break;
        case OptionId::Device:
            settings_.serialNumber = readSerial(parameter, kDeviceSerialMessages);
            break;
        case OptionId::Transport:
            settings_.transportGiven = true;
            settings_.transport = parseTransport(parameter);
            if (settings_.transport == TRANSPORT_INVALID) {
                const std::string shown(parameter);
                displayPrintf(display_, DISPLAY_ERROR,
                              "Invalid transport type:[%s]\nMust be one of the following: USB, "
                              "TCPIP, RECOVER",
                              shown.c_str());
                refuse();
            }
            break;
        case OptionId::BirdFile:
            settings_.birdFilePath = parameter;
            break;
        case OptionId::Router:
            settings_.routerSerialNumber = readSerial(parameter, kRouterSerialMessages);
            break;
        case OptionId::SerialPort:
            settings_.serialPortName = parameter;
            break;
        case OptionId::BaudRate:
            settings_.baudRate = parseDecimalDigits(parameter);
            break;
        case OptionId::Echo:
            settings_.echoBytes = true;
            break;
        case OptionId::HistoryLogMessage:
            settings_.historyLogMessage = parameter;
            break;
        case OptionId::LogFileName:
            settings_.logFileName = parameter;
            break;
        case OptionId::ServerUrl:
            settings_.serverUrl = parameter;
            break;
    }
    return false;
}

}  // namespace

int parseCommandLine(int argc, const char* const argv[], UpdaterSettings& settings,
                     UpdaterDisplayInterface* display) {
    settings.programName = programNameOf(argc > 0 && argv[0] != nullptr ? argv[0] : "");
    Parser parser(settings, display);
    for (int i = 1; i < argc; ++i) {
        // Arguments that are not options, unknown options, options missing their parameter
        // and parameters given to options that take none are all passed over in silence.
        const std::optional<RecognizedOption> option = recognize(argv[i]);
        if (!option) {
            continue;
        }
        std::string_view parameter;
        if (option->entry->takesParameter) {
            if (option->inlineParameter) {
                parameter = *option->inlineParameter;
            } else if (i + 1 < argc && !refusedAsParameter(argv[i + 1])) {
                parameter = argv[++i];
            } else {
                continue;
            }
        } else if (option->inlineParameter) {
            continue;
        }
        if (parser.apply(*option, parameter)) {
            break;
        }
    }
    debugPrintf(DEBUG_APP, "\nApplication parameters:[%s]\n", settings.programName.c_str());
    for (int i = 0; i < argc; ++i) {
        debugPrintf(DEBUG_APP, "\t[%s]\n", argv[i] != nullptr ? argv[i] : "");
    }
    // Help discards earlier refusals: the user gets the full usage instead.
    return settings.helpRequested ? kAccepted : parser.result();
}
