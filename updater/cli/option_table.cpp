#include "cli/option_table.h"

namespace {

constexpr OptionEntry kOptionTable[] = {
    {"-B", OptionId::ListServerBuilds, false},
    {"-L", OptionId::ListLocalBuilds, false},
    {"-D", OptionId::Discover, false},
    {"-G", OptionId::GetFirmware, false},
    {"-I", OptionId::Info, false},
    {"-U", OptionId::Update, false},
    {"-OVERRIDE", OptionId::Override, false},
    {"-N", OptionId::Fingerprint, false},
    {"-Y", OptionId::Unhandled, false},
    {"-C", OptionId::Check, false},
    {"-J", OptionId::GetToken, false},
    {"-h", OptionId::Help, false},
    {"-H", OptionId::Help, false},
    {"--help", OptionId::Help, false},
    {"-n", OptionId::NFlag, false},
    {"-X", OptionId::DebugMask, true},
    {"-Z", OptionId::Z, true},
    {"-m", OptionId::UseUEIBytes, true},
    {"-i", OptionId::StoreRoot, true},
    {"-b", OptionId::BuildNumber, true},
    {"-d", OptionId::Device, true},
    {"-t", OptionId::Transport, true},
    {"-f", OptionId::BirdFile, true},
    {"-r", OptionId::Router, true},
    {"-s", OptionId::SerialPort, true},
    {"-o", OptionId::BaudRate, true},
    {"-e", OptionId::Echo, false},
    {"-l", OptionId::HistoryLogMessage, true},
    {"-k", OptionId::LogFileName, true},
    {"-u", OptionId::ServerUrl, true},
};

}  // namespace

const OptionEntry* findOption(std::string_view text) {
    const OptionEntry* prefixMatch = nullptr;
    int prefixMatches = 0;
    for (const OptionEntry& entry : kOptionTable) {
        const std::string_view name(entry.name);
        if (text == name) {
            return &entry;
        }
        if (text.size() < name.size() && name.starts_with(text)) {
            prefixMatch = &entry;
            ++prefixMatches;
        }
    }
    // Every prefix candidate matched the whole text, so they tie: only a unique one counts.
    return prefixMatches == 1 ? prefixMatch : nullptr;
}
