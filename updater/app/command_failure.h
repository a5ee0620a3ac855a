#pragma once

#include <stdexcept>
#include <string>

// A run that cannot go on: what the user is told, and whether the short usage follows. Thrown
// wherever the reason is known; runUpdater shows it once and ends the run with status 1.
class CommandFailure : public std::runtime_error {
public:
    explicit CommandFailure(const std::string& message, bool showShortUsage = false)
        : std::runtime_error(message), showShortUsage_(showShortUsage) {}

    bool showShortUsage() const { return showShortUsage_; }

private:
    bool showShortUsage_;
};
