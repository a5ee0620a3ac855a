#include "options.h"

#include <cstdlib>

namespace sim {

const char* const kUsage =
    "usage: lynkor-sim [--heartbeat-ms N] [--answer-queries] [--usb-dir DIR] --device SERIAL\n"
    "                  [--model N] [--address N] [--tcp] [--pty] [--usb] [--beacon]\n"
    "                  [--device SERIAL ...]\n"
    "  --device SERIAL   a simulated device with this hexadecimal serial number; the options\n"
    "                    after it, up to the next --device, describe it\n"
    "  --model N         its model number (default 0)\n"
    "  --address N       its module address, even, 2 to 254 (default 2; 0x.. for hexadecimal)\n"
    "  --tcp             serve it over TCP on 127.0.0.1 (the default transport)\n"
    "  --pty             serve it over the packetized serial framing on a pseudo-terminal\n"
    "  --usb             serve it on the emulated USB bus\n"
    "  --beacon          announce it by beacon on loopback, as a device server would\n"
    "  --usb-dir DIR     the emulated bus (default: $LYNKOR_USB_EMULATION)\n"
    "  --heartbeat-ms N  heartbeat period for every device, 0 for none (default 1000)\n"
    "  --answer-queries  answer the network discovery query on loopback for the TCP devices\n"
    "Prints one line per transport (\"tcp <serial> 127.0.0.1:<port>\", \"pty <serial> <path>\",\n"
    "\"usb <serial> <path>\"), then \"control 127.0.0.1:<port>\" and \"ready\"; runs until "
    "SIGTERM.\n";

namespace {

bool s_number(const std::string& text, int base, unsigned long maximum, unsigned long& value) {
    try {
        size_t used = 0;
        value = std::stoul(text, &used, base);
        return used == text.size() && text[0] != '-' && value <= maximum;
    } catch (const std::exception&) {
        return false;
    }
}

}  // namespace

std::optional<Options> parseOptions(const std::vector<std::string>& args, std::string& error) {
    Options options;
    auto needsDevice = [&](const std::string& option) {
        if (options.devices.empty()) {
            error = option + " must follow --device";
            return false;
        }
        return true;
    };
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& option = args[i];
        const bool takesValue = option == "--device" || option == "--model" ||
                                option == "--address" || option == "--heartbeat-ms" ||
                                option == "--usb-dir";
        if (takesValue && i + 1 >= args.size()) {
            error = option + " needs a value";
            return std::nullopt;
        }
        const std::string value = takesValue ? args[++i] : std::string();
        unsigned long number = 0;
        if (option == "--device") {
            if (!s_number(value, 16, 0xFFFFFFFFul, number)) {
                error = "bad serial number " + value;
                return std::nullopt;
            }
            DeviceConfig config;
            config.serial = static_cast<uint32_t>(number);
            options.devices.push_back(config);
        } else if (option == "--model") {
            if (!needsDevice(option)) {
                return std::nullopt;
            }
            if (!s_number(value, 0, 0xFFFFFFFFul, number)) {
                error = "bad model " + value;
                return std::nullopt;
            }
            options.devices.back().model = static_cast<uint32_t>(number);
        } else if (option == "--address") {
            if (!needsDevice(option)) {
                return std::nullopt;
            }
            // Module addresses are even; the odd ones include the query and route addresses.
            if (!s_number(value, 0, 254, number) || number == 0 || number % 2 != 0) {
                error = "bad module address " + value;
                return std::nullopt;
            }
            options.devices.back().address = static_cast<uint8_t>(number);
        } else if (option == "--tcp" || option == "--pty" || option == "--usb") {
            if (!needsDevice(option)) {
                return std::nullopt;
            }
            DeviceConfig& config = options.devices.back();
            (option == "--tcp" ? config.tcp : option == "--pty" ? config.pty : config.usb) = true;
        } else if (option == "--usb-dir") {
            options.usbDirectory = value;
        } else if (option == "--beacon") {
            if (!needsDevice(option)) {
                return std::nullopt;
            }
            options.devices.back().beacon = true;
        } else if (option == "--answer-queries") {
            options.answerQueries = true;
        } else if (option == "--heartbeat-ms") {
            if (!s_number(value, 10, 3600000, number)) {
                error = "bad heartbeat period " + value;
                return std::nullopt;
            }
            options.heartbeatPeriod = std::chrono::milliseconds(number);
        } else {
            error = "unknown option " + option;
            return std::nullopt;
        }
    }
    if (options.devices.empty()) {
        error = "no --device given";
        return std::nullopt;
    }
    if (options.usbDirectory.empty()) {
        const char* fromEnvironment = std::getenv("LYNKOR_USB_EMULATION");
        options.usbDirectory = fromEnvironment != nullptr ? fromEnvironment : "";
    }
    for (size_t i = 0; i < options.devices.size(); ++i) {
        DeviceConfig& config = options.devices[i];
        for (size_t j = 0; j < i; ++j) {
            if (options.devices[j].serial == config.serial) {
                error = "serial number given twice";
                return std::nullopt;
            }
        }
        if (config.usb && options.usbDirectory.empty()) {
            error = "--usb needs --usb-dir or LYNKOR_USB_EMULATION";
            return std::nullopt;
        }
        if (!config.tcp && !config.pty && !config.usb) {
            config.tcp = true;
        }
        if (config.beacon && !config.tcp) {
            error = "--beacon needs the device on TCP";
            return std::nullopt;
        }
    }
    return options;
}

}  // namespace sim
