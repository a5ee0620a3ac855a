#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "firmware/store_item.h"

// The local store: one directory per device, named by its serial number as eight upper-case
// hexadecimal digits, under a root directory.
class UpdaterStore {
public:
    // Ensures the root exists; throws std::runtime_error with the reason when it cannot.
    explicit UpdaterStore(std::string root);

    // True when the root holds an entry named by the serial number; fills item when given.
    bool FindDevice(uint32_t serialNumber, StoreItem* item = nullptr) const;
    // Always true; items receives the device directory's entries, hidden ones left out.
    bool FindDevice(uint32_t serialNumber, std::vector<StoreItem>& items) const;
    // The device's entry, its directory and settings file created when missing.
    StoreItem createDevice(uint32_t serialNumber) const;

    const std::string& root() const { return root_; }

private:
    std::string root_;
};
