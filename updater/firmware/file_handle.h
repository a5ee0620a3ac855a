#pragma once

#include <memory>
#include <string>

#include "lynkor/aFile.h"

// Owns an open library file handle. Handles that wrote data are closed with closeFile, whose
// result tells whether the data reached storage.
struct FileHandleCloser {
    void operator()(aFileHandle* handle) const { aFile_Close(&handle); }
};
using FileHandle = std::unique_ptr<aFileHandle, FileHandleCloser>;

inline FileHandle openFile(const std::string& path, int32_t mode) {
    return FileHandle(aFile_Open(path.c_str(), mode));
}

inline aErr closeFile(FileHandle& file) {
    aFileHandle* handle = file.release();
    return aFile_Close(&handle);
}
