#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "firmware/file_handle.h"
#include "lynkor/aError.h"

// Replaces a file so that a reader, a crash or a full disk leaves either the old contents or
// the new ones, never a part: the bytes go to a hidden temporary file in the same directory,
// are flushed to storage, and the temporary file is then renamed over the old one. Nothing
// reaches the target path unless commit succeeds.
class AtomicFileWriter {
public:
    explicit AtomicFileWriter(std::string path);
    // Removes the temporary file unless the writer was committed.
    ~AtomicFileWriter();
    AtomicFileWriter(const AtomicFileWriter&) = delete;
    AtomicFileWriter& operator=(const AtomicFileWriter&) = delete;

    // aErrNotFound when the temporary file could not be created.
    aErr open();
    aErr write(std::span<const uint8_t> bytes);
    // Flushes, closes and renames; aErrWrite when the data or the rename did not succeed.
    aErr commit();

    const std::string& temporaryPath() const { return temporaryPath_; }

private:
    std::string path_;
    std::string temporaryPath_;
    FileHandle file_;
    bool committed_ = false;
};

// The whole sequence for one buffer: aErrNotFound when the file cannot be created, else the
// first write, flush or rename error.
aErr writeFileAtomically(const std::string& path, std::span<const uint8_t> bytes);
