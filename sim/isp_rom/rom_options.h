// The boot-loader simulator's command line: what the chip is, where its traces go, and the
// faults it plays.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace isp_sim {

struct RomOptions {
    // Bytes travel at 10 bit times per character of the rate the host set on its port.
    bool paced = false;
    std::string recordPath;   // one line per synchronisation, command, checksum and noise
    std::string capturePath;  // every byte the host sent, as it came
    std::string flashDumpPath;
    std::string ramDumpPath;
    std::array<uint32_t, 4> identification = {0x1A2B3C4D, 0x00112233, 0x8899AABB, 0xCAFEF00D};
    uint32_t partId = 0x26013F37;

    // Faults.
    bool silent = false;                   // never answers, never echoes
    std::optional<std::string> syncText;   // the answer to "?" instead of "Synchronized"
    std::map<char, uint32_t> returnCodes;  // a command letter always answers this code
    int resends = 0;                       // the first checksums answered "RESEND"
    bool babble = false;                   // answers the first command with endless noise
    bool badEcho = false;                  // echoes the first character of each line wrong
};

extern const char* const kRomUsage;

// Nothing, with the reason in error, when the command line is wrong.
std::optional<RomOptions> parseRomOptions(const std::vector<std::string>& args, std::string& error);

}  // namespace isp_sim
