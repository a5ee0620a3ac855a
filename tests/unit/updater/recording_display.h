#pragma once

#include <string>
#include <vector>

#include "display/updater_display_interface.h"

// Keeps what the code under test shows, so messages can be checked without a console.
class RecordingDisplay final : public UpdaterDisplayInterface {
public:
    void setProgressActive(bool) override {}
    void showProgress(double, const char*) override {}
    void showBusy(bool, const char*) override { ++busyCalls; }
    void showInfo(const char* text) override { info.emplace_back(text); }
    void showError(const char* text) override { errors.emplace_back(text); }

    std::vector<std::string> info;
    std::vector<std::string> errors;
    int busyCalls = 0;
};
