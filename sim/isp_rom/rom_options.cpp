#include "rom_options.h"

#include "option_values.h"

namespace isp_sim {

const char* const kRomUsage =
    "usage: lynkor-isp-sim [--pace] [--record FILE] [--capture FILE] [--flash-dump FILE]\n"
    "                      [--ram-dump FILE] [--identification W0,W1,W2,W3] [--part-id N]\n"
    "                      [--silent] [--sync-text TEXT] [--code LETTER=N]... [--resend N]\n"
    "                      [--babble] [--bad-echo]\n"
    "  --pace              carry each byte in 10 bit times of the rate the host set\n"
    "  --record FILE       write one line per synchronisation (with its rate), command (with\n"
    "                      its return code), checksum, and stretch of noise at another rate\n"
    "  --capture FILE      write every byte the host sent\n"
    "  --flash-dump FILE   write the flash (512 KB) when stopped\n"
    "  --ram-dump FILE     write the RAM (32 KB at 0x10000000) when stopped\n"
    "  --identification    the four words the N command reads (numbers as below)\n"
    "  --part-id N         the number the J command reads\n"
    "  --silent            never answer\n"
    "  --sync-text TEXT    answer \"?\" with TEXT instead of \"Synchronized\"\n"
    "  --code LETTER=N     answer every command LETTER with return code N, doing nothing\n"
    "  --resend N          answer the first N checksums with \"RESEND\"\n"
    "  --babble            answer the first command after synchronising with endless noise\n"
    "  --bad-echo          echo the first character of every command and data line wrong\n"
    "Numbers are decimal, or hexadecimal after 0x. Prints \"pty <path>\" and \"ready\"; runs\n"
    "until SIGTERM.\n";

namespace {

const std::map<std::string, bool RomOptions::*> kFlags = {
    {"--pace", &RomOptions::paced},
    {"--silent", &RomOptions::silent},
    {"--babble", &RomOptions::babble},
    {"--bad-echo", &RomOptions::badEcho},
};

}  // namespace

std::optional<RomOptions> parseRomOptions(const std::vector<std::string>& args,
                                          std::string& error) {
    RomOptions options;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& option = args[i];
        if (const auto flag = kFlags.find(option); flag != kFlags.end()) {
            options.*(flag->second) = true;
            continue;
        }
        if (i + 1 >= args.size()) {
            error = option + (option.rfind("--", 0) == 0 ? " needs a value" : " is not an option");
            return std::nullopt;
        }
        const std::string& value = args[++i];
        uint32_t number = 0;
        bool accepted = true;
        if (option == "--record") {
            options.recordPath = value;
        } else if (option == "--capture") {
            options.capturePath = value;
        } else if (option == "--flash-dump") {
            options.flashDumpPath = value;
        } else if (option == "--ram-dump") {
            options.ramDumpPath = value;
        } else if (option == "--sync-text") {
            options.syncText = value;
        } else if (option == "--identification") {
            const auto words = sim::parseWords(value, sim::kDecimalOrHex);
            options.identification = words.value_or(options.identification);
            accepted = words.has_value();
        } else if (option == "--part-id") {
            accepted = sim::readUnsigned(value, sim::kDecimalOrHex, options.partId);
        } else if (option == "--resend") {
            accepted = sim::readUnsigned(value, sim::kDecimalOrHex, number);
            options.resends = static_cast<int>(number);
        } else if (option == "--code") {
            accepted = value.size() > 2 && value[1] == '=' &&
                       sim::readUnsigned(value.substr(2), sim::kDecimalOrHex, number);
            options.returnCodes[value[0]] = number;
        } else {
            accepted = false;
        }
        if (!accepted) {
            error = "bad option or value: " + option + " " + value;
            return std::nullopt;
        }
    }
    return options;
}

}  // namespace isp_sim
