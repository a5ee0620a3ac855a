#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "firmware/attributes_file.h"
#include "lynkor/aError.h"

class BirdFile;

// One entry of the store: a device directory, or a file in one. A directory entry carries its
// settings, loaded from (and created as) directory/name/.settings.
class StoreItem {
public:
    StoreItem() = default;
    StoreItem(std::string directory, std::string name, bool isDirectory);

    const std::string& directory() const { return directory_; }
    const std::string& name() const { return name_; }
    bool isDirectory() const { return isDirectory_; }
    std::string path() const;
    AttributesFile& settings() { return settings_; }
    const AttributesFile& settings() const { return settings_; }

    // Loads directory/name/file; throws std::runtime_error("Invalid bird <path>") when it is
    // not a bird file, and the error of BirdFile when it does not load.
    void loadBird(const std::string& file, BirdFile& bird) const;
    // Replaces directory/name/file with the bytes, atomically. aErrNotFound without bytes or
    // when the file cannot be created.
    aErr writeFile(const std::string& file, std::span<const uint8_t> bytes) const;

private:
    std::string directory_;
    std::string name_;
    bool isDirectory_ = false;
    AttributesFile settings_;
};
