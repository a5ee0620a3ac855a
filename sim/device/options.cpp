#include "options.h"

#include <set>

#include "firmware_version.h"
#include "option_values.h"

namespace sim {

const char* const kUsage =
    "usage: lynkor-sim [--heartbeat-ms N] [--answer-queries] [--usb-dir DIR] --device SERIAL\n"
    "                  [device options] [--device SERIAL [device options] ...]\n"
    "  --device SERIAL       a simulated device with this hexadecimal serial number; the\n"
    "                        options after it, up to the next --device, describe it\n"
    "  --model N             its model number (default 0)\n"
    "  --address N           its module address, even, 2 to 254 (default 2; 0x.. for hex)\n"
    "  --tcp                 serve it over TCP on 127.0.0.1 (the default transport)\n"
    "  --pty                 serve it over the packetized serial framing on a pseudo-terminal\n"
    "  --usb                 serve it on the emulated USB bus\n"
    "  --usb-busy            on the emulated bus as though another process held it\n"
    "  --beacon              announce it by beacon on loopback, as a device server would\n"
    "  --behind SERIAL       put it behind the router with that serial, on the bus address\n"
    "                        that is its module address; it then needs no transport\n"
    "  --version V           firmware version: MAJOR.MINOR.PATCH, or a packed 0x... value\n"
    "                        (default 2.10.4)\n"
    "  --build N             firmware build number (default 1000)\n"
    "  --name TEXT           device name (default empty)\n"
    "  --identifier W,W,W,W  chip identifier: four hexadecimal words, as a fingerprint shows\n"
    "                        them (default derived from the serial number)\n"
    "  --loader              runs its loader from the start, as a loader that a boot ROM\n"
    "                        started (such as one showing serial number DEADDEAD)\n"
    "  --block-size N        block size its upgrade protocol reports, 0 to 65535 (default 1024)\n"
    "  --down-ms N           how long a restart keeps it away, up to 60000 (default 250)\n"
    "  --reply-delay-ms N    hold back every answer N ms (default 0)\n"
    "  --stream-period-ms N  stream sample period, 1 to 60000 (default 10)\n"
    "  --usb-dir DIR         the emulated bus (default: $LYNKOR_USB_EMULATION)\n"
    "  --heartbeat-ms N      heartbeat period for every device, 0 for none (default 1000)\n"
    "  --answer-queries      answer the network discovery query on loopback for the TCP devices\n"
    "Prints one line per transport (\"tcp <serial> 127.0.0.1:<port>\", \"pty <serial> <path>\",\n"
    "\"usb <serial> <path>\"), then \"control 127.0.0.1:<port>\" and \"ready\"; runs until "
    "SIGTERM.\n"
    "The control socket takes one request a line; see control_server.h for the commands.\n"
    "Every device speaks the upgrade protocol (command 95) and restarts as it asks; the control\n"
    "requests upgrade, restart, image and upgrade-log set how, and show what it wrote.\n";

namespace {

// Options that take a value, and whether they describe the device before them.
const std::set<std::string> kDeviceValueOptions = {
    "--model",      "--address", "--behind",         "--version",          "--build",     "--name",
    "--identifier", "--down-ms", "--reply-delay-ms", "--stream-period-ms", "--block-size"};
const std::set<std::string> kDeviceFlags = {"--tcp",      "--pty",    "--usb",
                                            "--usb-busy", "--beacon", "--loader"};
const std::set<std::string> kGlobalValueOptions = {"--device", "--heartbeat-ms", "--usb-dir"};

// The option's number, or nothing with the reason in `error`.
std::optional<uint32_t> s_number(const std::string& value, int base, uint32_t maximum,
                                 const char* what, std::string& error) {
    std::optional<uint32_t> number = parseUnsigned(value, base, maximum);
    if (!number) {
        error = std::string("bad ") + what + " " + value;
    }
    return number;
}

// Distinct per device, so that fingerprints tell devices apart.
std::array<uint32_t, 4> s_defaultIdentifier(uint32_t serial) {
    return {0x4E560000u | (serial >> 16), serial, ~serial, 0x13579BDFu ^ serial};
}

// Applies one option that describes the last device; false with the reason in `error`.
bool s_deviceOption(const std::string& option, const std::string& value, DeviceConfig& config,
                    std::string& error) {
    std::optional<uint32_t> number;
    if (option == "--model") {
        if (!(number = s_number(value, kDecimalOrHex, UINT32_MAX, "model", error))) {
            return false;
        }
        config.model = *number;
    } else if (option == "--address") {
        // Module addresses are even; the odd ones include the query and route addresses.
        number = parseUnsigned(value, kDecimalOrHex, 254);
        if (!number || *number == 0 || *number % 2 != 0) {
            error = "bad module address " + value;
            return false;
        }
        config.address = static_cast<uint8_t>(*number);
    } else if (option == "--behind") {
        if (!(number = s_number(value, 16, UINT32_MAX, "router serial number", error))) {
            return false;
        }
        config.routerSerial = *number;
    } else if (option == "--version") {
        const std::optional<uint32_t> version = parseFirmwareVersion(value);
        if (!version) {
            error = "bad version " + value;
            return false;
        }
        config.version = *version;
    } else if (option == "--build") {
        if (!(number = s_number(value, 10, UINT32_MAX, "build", error))) {
            return false;
        }
        config.build = *number;
    } else if (option == "--name") {
        config.name = value;
    } else if (option == "--identifier") {
        const std::optional<std::array<uint32_t, 4>> words = parseWords(value, 16);
        if (!words) {
            error = "bad identifier " + value;
            return false;
        }
        config.identifier = *words;
    } else if (option == "--block-size") {
        if (!(number = s_number(value, 10, 0xFFFF, "block size", error))) {
            return false;
        }
        config.blockSize = static_cast<uint16_t>(*number);
    } else if (option == "--down-ms") {
        if (!(number = s_number(value, 10, 60000, "down-time", error))) {
            return false;
        }
        config.downTime = std::chrono::milliseconds(*number);
    } else if (option == "--reply-delay-ms") {
        if (!(number = s_number(value, 10, 60000, "reply delay", error))) {
            return false;
        }
        config.replyDelay = std::chrono::milliseconds(*number);
    } else if (option == "--stream-period-ms") {
        number = parseUnsigned(value, 10, 60000);
        if (!number || *number == 0) {
            error = "bad stream period " + value;
            return false;
        }
        config.streamPeriod = std::chrono::milliseconds(*number);
    } else {
        (option == "--tcp"        ? config.tcp
         : option == "--pty"      ? config.pty
         : option == "--usb"      ? config.usb
         : option == "--usb-busy" ? config.usbBusy
         : option == "--loader"   ? config.loader
                                  : config.beacon) = true;
    }
    return true;
}

// Checks what only the whole command line shows.
bool s_checkDevices(Options& options, std::string& error) {
    std::vector<DeviceConfig>& devices = options.devices;
    for (size_t i = 0; i < devices.size(); ++i) {
        DeviceConfig& config = devices[i];
        for (size_t j = 0; j < i; ++j) {
            if (devices[j].serial == config.serial) {
                error = "serial number given twice";
                return false;
            }
        }
        if (config.usb && options.usbDirectory.empty()) {
            error = "--usb needs --usb-dir or LYNKOR_USB_EMULATION";
            return false;
        }
        if (!config.tcp && !config.pty && !config.usb && !config.routerSerial) {
            config.tcp = true;
        }
        if (config.usbBusy && !config.usb) {
            error = "--usb-busy needs --usb";
            return false;
        }
        if (config.beacon && !config.tcp) {
            error = "--beacon needs the device on TCP";
            return false;
        }
        if (!config.routerSerial) {
            continue;
        }
        const DeviceConfig* router = nullptr;
        for (const DeviceConfig& other : devices) {
            router = other.serial == *config.routerSerial ? &other : router;
        }
        if (router == nullptr || router == &config || router->routerSerial) {
            error = "--behind needs a router among the devices that is not behind one itself";
            return false;
        }
        for (const DeviceConfig& other : devices) {
            const bool onSameBus = &other != &config && other.routerSerial == config.routerSerial;
            if (router->address == config.address ||
                (onSameBus && other.address == config.address)) {
                error =
                    "two devices on one router's bus at address " + std::to_string(config.address);
                return false;
            }
        }
    }
    return true;
}

}  // namespace

std::optional<Options> parseOptions(const std::vector<std::string>& args, std::string& error) {
    Options options;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& option = args[i];
        const bool deviceOption =
            kDeviceValueOptions.contains(option) || kDeviceFlags.contains(option);
        const bool takesValue =
            kDeviceValueOptions.contains(option) || kGlobalValueOptions.contains(option);
        if (!deviceOption && !takesValue && option != "--answer-queries") {
            error = "unknown option " + option;
            return std::nullopt;
        }
        if (takesValue && i + 1 >= args.size()) {
            error = option + " needs a value";
            return std::nullopt;
        }
        const std::string value = takesValue ? args[++i] : std::string();
        if (deviceOption) {
            if (options.devices.empty()) {
                error = option + " must follow --device";
                return std::nullopt;
            }
            if (!s_deviceOption(option, value, options.devices.back(), error)) {
                return std::nullopt;
            }
        } else if (option == "--device") {
            const std::optional<uint32_t> serial =
                s_number(value, 16, UINT32_MAX, "serial number", error);
            if (!serial) {
                return std::nullopt;
            }
            DeviceConfig config;
            config.serial = *serial;
            config.identifier = s_defaultIdentifier(config.serial);
            options.devices.push_back(config);
        } else if (option == "--usb-dir") {
            options.usbDirectory = value;
        } else if (option == "--answer-queries") {
            options.answerQueries = true;
        } else if (const std::optional<uint32_t> period =
                       s_number(value, 10, 3600000, "heartbeat period", error)) {
            options.heartbeatPeriod = std::chrono::milliseconds(*period);
        } else {
            return std::nullopt;
        }
    }
    if (options.devices.empty()) {
        error = "no --device given";
        return std::nullopt;
    }
    options.usbDirectory = emulatedBusDirectory(options.usbDirectory);
    if (!s_checkDevices(options, error)) {
        return std::nullopt;
    }
    return options;
}

}  // namespace sim
