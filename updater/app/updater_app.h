#pragma once

#include <cstdint>
#include <string>

class UpdaterDisplayInterface;

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

    // 1 for the i.MX boot ROM, 2 for the serial ISP boot loader; set by fingerprint and recovery.
    uint8_t chipKind = 0;
    bool useUEIBytes = false;

private:
    std::string serverUrl_;
    std::string storeDirectory_;
    UpdaterDisplayInterface* display_;
};
