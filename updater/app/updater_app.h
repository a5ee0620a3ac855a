#pragma once

#include <cstdint>
#include <string>

class UpdaterDisplayInterface;

// Which boot ROM answered the fingerprint read, and so how recovery writes the firmware.
enum class ChipKind : uint8_t { Unknown = 0, Imx = 1, SerialIsp = 2 };

// The context every command handler runs in; built by main once the store directory exists.
class UpdaterApp {
public:
    UpdaterApp(std::string serverUrl, std::string storeDirectory, UpdaterDisplayInterface* display)
        : serverUrl_(std::move(serverUrl)),
          storeDirectory_(std::move(storeDirectory)),
          display_(display) {}

    const std::string& serverUrl() const { return serverUrl_; }
    const std::string& storeDirectory() const { return storeDirectory_; }
    UpdaterDisplayInterface* display() const { return display_; }

    // Set by the fingerprint read of -N and recovery.
    ChipKind chipKind = ChipKind::Unknown;
    bool useUEIBytes = false;

private:
    std::string serverUrl_;
    std::string storeDirectory_;
    UpdaterDisplayInterface* display_;
};
