#pragma once

#include <string_view>

enum class OptionId {
    ListServerBuilds,
    ListLocalBuilds,
    Discover,
    GetFirmware,
    Info,
    Update,
    Override,
    Fingerprint,
    Unhandled,
    Check,
    GetToken,
    Help,
    NFlag,
    DebugMask,
    Z,
    UseUEIBytes,
    StoreRoot,
    BuildNumber,
    Device,
    Transport,
    BirdFile,
    Router,
    SerialPort,
    BaudRate,
    Echo,
    HistoryLogMessage,
    LogFileName,
    ServerUrl,
};

struct OptionEntry {
    const char* name;
    OptionId id;
    bool takesParameter;
};

// Looks an option text up (case-sensitive): an exact match wins, otherwise the one entry that
// the text is a proper prefix of ("-OV" is "-OVERRIDE"). A text that is a prefix of several
// entries, or longer than every entry it starts like, matches nothing (null).
const OptionEntry* findOption(std::string_view text);
