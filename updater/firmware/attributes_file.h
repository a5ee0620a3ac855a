#pragma once

#include <map>
#include <string>

#include "lynkor/aError.h"

// A settings file of "key=value" lines, kept in memory as a map ordered by the keys' bytes.
// Changes stay in memory until save, which rewrites the whole file.
class AttributesFile {
public:
    // Reads the file; a missing file is created with "CREATED_TIME" (and "UPDATED_TIME").
    aErr load(const std::string& path);
    // Writes every entry to the given path, or to the current file name. A file that is there
    // but could not be read is never replaced: its entries would be lost (aErrIO).
    aErr save(const std::string& path);
    aErr save();

    // Marks the file dirty when the value changes. A key or value holding a line feed or
    // carriage return, or a key holding "=", could not be read back and is refused.
    void set(const std::string& key, const std::string& value);
    // The value read as atoi reads it; the default when it is empty. An absent key is added
    // with an empty value, without marking the file dirty.
    int getInt(const std::string& key, int defaultValue);
    std::string getString(const std::string& key, const std::string& defaultValue = {}) const;

    const std::string& filename() const { return filename_; }
    const std::map<std::string, std::string>& values() const { return values_; }
    bool isDirty() const { return dirty_; }

private:
    void parseLine(const std::string& line);

    std::string filename_;
    // The file load found but could not read in full; empty when there is none.
    std::string unreadablePath_;
    std::map<std::string, std::string> values_;
    bool dirty_ = false;
};
