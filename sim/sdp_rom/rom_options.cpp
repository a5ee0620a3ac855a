#include "rom_options.h"

#include "option_values.h"

namespace sim {

const char* const kRomUsage =
    "usage: sdp-rom-sim [--hid] [--pty] [--usb-dir DIR] [--silent] [--reject-writes]\n"
    "                   [--short-answers] [--hab-closed] [--write-status HEX]\n"
    "                   [--after-jump COMMAND]\n"
    "  --hid                serve the ROM as HID device 1fc9:0130 on the emulated bus\n"
    "  --pty                serve the ROM on a pseudo-terminal (the serial line)\n"
    "  --usb-dir DIR        the emulated bus (default: $LYNKOR_USB_EMULATION)\n"
    "  --silent             answer nothing\n"
    "  --reject-writes      refuse every write file at once\n"
    "  --short-answers      cut every status or data answer to 2 bytes\n"
    "  --hab-closed         report HAB mode closed (default open)\n"
    "  --write-status HEX   the status after a write file's data (default 88888888)\n"
    "  --after-jump COMMAND run COMMAND through /bin/sh after a jump, with SDP_JUMP_ADDRESS set\n"
    "Prints \"hid <path>\" and \"pty <path>\" for the ROM's ports, then\n"
    "\"control 127.0.0.1:<port>\" and \"ready\"; after a jump \"jumped <address>\". Runs until\n"
    "SIGTERM.\n";

std::optional<RomOptions> parseRomOptions(const std::vector<std::string>& args,
                                          std::string& error) {
    RomOptions options;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& option = args[i];
        const bool takesValue =
            option == "--usb-dir" || option == "--write-status" || option == "--after-jump";
        if (takesValue && i + 1 >= args.size()) {
            error = option + " needs a value";
            return std::nullopt;
        }
        const std::string value = takesValue ? args[++i] : std::string();
        if (option == "--hid") {
            options.hid = true;
        } else if (option == "--pty") {
            options.pty = true;
        } else if (option == "--usb-dir") {
            options.usbDirectory = value;
        } else if (option == "--silent") {
            options.behaviour.silent = true;
        } else if (option == "--reject-writes") {
            options.behaviour.rejectWrites = true;
        } else if (option == "--short-answers") {
            options.behaviour.shortAnswers = true;
        } else if (option == "--hab-closed") {
            options.behaviour.habClosed = true;
        } else if (option == "--write-status") {
            const std::optional<uint32_t> word = parseUnsigned(value, 16);
            if (!word) {
                error = "bad status word " + value;
                return std::nullopt;
            }
            options.behaviour.writeStatus = *word;
        } else if (option == "--after-jump") {
            options.afterJump = value;
        } else {
            error = "unknown option " + option;
            return std::nullopt;
        }
    }
    if (!options.hid && !options.pty) {
        error = "give --hid, --pty or both";
        return std::nullopt;
    }
    options.usbDirectory = emulatedBusDirectory(options.usbDirectory);
    if (options.hid && options.usbDirectory.empty()) {
        error = "--hid needs --usb-dir or LYNKOR_USB_EMULATION";
        return std::nullopt;
    }
    return options;
}

}  // namespace sim
