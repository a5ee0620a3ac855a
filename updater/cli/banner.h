#pragma once

class UpdaterDisplayInterface;

inline constexpr const char* kApplicationName = "Updater";
inline constexpr const char* kApplicationVersion = "Version: 2.12.0 Dec  4 2025";

// "Updater (Version: ...)", shown on every run once the command line is parsed.
void showVersionLine(UpdaterDisplayInterface* display);
// The maker's notice that precedes any usage text.
void showNotice(UpdaterDisplayInterface* display);
