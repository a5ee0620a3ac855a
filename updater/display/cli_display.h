#pragma once

#include "display/updater_display_interface.h"

// The console display: messages on standard output and standard error, and an in-place
// progress bar and busy animation drawn only when standard output is a terminal, so that
// redirected output holds nothing but message lines.
class CLI_Display final : public UpdaterDisplayInterface {
public:
    // Makes standard output and standard error unbuffered, so that partial lines that begin
    // with a carriage return appear at once.
    CLI_Display();

    void setProgressActive(bool active) override;
    void showProgress(double fraction, const char* label) override;
    void showBusy(bool active, const char* label) override;
    void showInfo(const char* text) override;
    void showError(const char* text) override;
};
