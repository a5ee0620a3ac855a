#pragma once

// Every user-facing line and every progress indication goes through this interface, so that
// command flows, the upgrade protocol and the recovery loaders never write to the console.
// The slot order is fixed; implementations are owned by main and never deleted through it.
class UpdaterDisplayInterface {
public:
    virtual void setProgressActive(bool active) = 0;
    // fraction 0.0 to 1.0; label may be null.
    virtual void showProgress(double fraction, const char* label) = 0;
    // A wait with no measurable progress; label may be null.
    virtual void showBusy(bool active, const char* label) = 0;
    virtual void showInfo(const char* text) = 0;
    virtual void showError(const char* text) = 0;

protected:
    ~UpdaterDisplayInterface() = default;
};
