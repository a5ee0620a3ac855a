#include "lynkor/aFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

bool s_isValid(const aFileHandle* handle) {
    return handle != nullptr && handle->check == aFILE_CHECK;
}

bool s_canRead(const aFileHandle* handle) {
    return handle->mode == aFILE_MODE_READ || handle->mode == aFILE_MODE_APPEND;
}

bool s_canWrite(const aFileHandle* handle) {
    return handle->mode == aFILE_MODE_WRITE || handle->mode == aFILE_MODE_APPEND;
}

// Reads until length bytes or the end of the file, so that a short count means the end.
ssize_t s_readFully(int fd, char* buffer, size_t length) {
    size_t total = 0;
    while (total < length) {
        const ssize_t got = ::read(fd, buffer + total, length - total);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0) {
            return -1;
        }
        if (got == 0) {
            break;
        }
        total += static_cast<size_t>(got);
    }
    return static_cast<ssize_t>(total);
}

int s_openFlags(int32_t mode) {
    switch (mode) {
        case aFILE_MODE_READ:
            return O_RDONLY;
        case aFILE_MODE_WRITE:
            return O_WRONLY | O_CREAT | O_TRUNC;
        case aFILE_MODE_APPEND:
            return O_RDWR | O_CREAT;
        default:
            return -1;
    }
}

}  // namespace

extern "C" {

aFileHandle* aFile_Open(const char* path, int32_t mode) {
    const int flags = s_openFlags(mode);
    if (path == nullptr || std::strlen(path) > aFILE_MAX_PATH || flags < 0) {
        return nullptr;
    }
    const int fd = ::open(path, flags | O_CLOEXEC, 0666);
    if (fd < 0) {
        return nullptr;
    }
    if (mode == aFILE_MODE_APPEND && ::lseek(fd, 0, SEEK_END) < 0) {
        ::close(fd);
        return nullptr;
    }
    auto* handle = static_cast<aFileHandle*>(std::calloc(1, sizeof(aFileHandle)));
    if (handle == nullptr) {
        ::close(fd);
        return nullptr;
    }
    handle->check = aFILE_CHECK;
    handle->fd = fd;
    handle->mode = mode;
    return handle;
}

aErr aFile_Close(aFileHandle** handle) {
    if (handle == nullptr || !s_isValid(*handle)) {
        return aErrParam;
    }
    aFileHandle* file = *handle;
    // Written data must reach storage before we call the file done: a settings file or a
    // firmware image that silently lost its tail is worse than an error.
    bool flushed = !s_canWrite(file) || ::fsync(file->fd) == 0;
    flushed = ::close(file->fd) == 0 && flushed;
    file->check = 0;
    std::free(file);
    *handle = nullptr;
    return flushed ? aErrNone : aErrWrite;
}

aErr aFile_Read(aFileHandle* handle, void* buffer, size_t length, size_t* count) {
    if (!s_isValid(handle) || buffer == nullptr) {
        return aErrParam;
    }
    if (count != nullptr) {
        *count = 0;
    }
    if (!s_canRead(handle)) {
        return aErrMode;
    }
    const ssize_t got = s_readFully(handle->fd, static_cast<char*>(buffer), length);
    if (got < 0) {
        return aErrRead;
    }
    if (count != nullptr) {
        *count = static_cast<size_t>(got);
    }
    return got == 0 && length > 0 ? aErrEOF : aErrNone;
}

aErr aFile_ReadLine(aFileHandle* handle, char* buffer, size_t size, size_t* length) {
    if (!s_isValid(handle) || buffer == nullptr) {
        return aErrParam;
    }
    if (length != nullptr) {
        *length = 0;
    }
    if (size != 0) {
        buffer[0] = '\0';
    }
    // A buffer without room for one byte and its terminator could never make progress.
    if (size < 2) {
        return aErrParam;
    }
    if (!s_canRead(handle)) {
        return aErrMode;
    }
    const ssize_t got = s_readFully(handle->fd, buffer, size - 1);
    if (got < 0) {
        return aErrIO;
    }
    if (got == 0) {
        return aErrEOF;
    }
    const auto read = static_cast<size_t>(got);
    const auto* lineFeed = static_cast<const char*>(std::memchr(buffer, '\n', read));
    const size_t line = lineFeed != nullptr ? static_cast<size_t>(lineFeed - buffer) + 1 : read;
    // Give back what follows the line so the next read starts right after its line feed.
    if (line < read && ::lseek(handle->fd, -static_cast<off_t>(read - line), SEEK_CUR) < 0) {
        return aErrIO;
    }
    buffer[line] = '\0';
    if (length != nullptr) {
        *length = line;
    }
    return lineFeed == nullptr && read == size - 1 ? aErrOverrun : aErrNone;
}

aErr aFile_Write(aFileHandle* handle, const void* buffer, size_t length, size_t* count) {
    if (!s_isValid(handle) || buffer == nullptr) {
        return aErrParam;
    }
    if (count != nullptr) {
        *count = 0;
    }
    if (!s_canWrite(handle)) {
        return aErrMode;
    }
    const auto* bytes = static_cast<const char*>(buffer);
    size_t total = 0;
    while (total < length) {
        const ssize_t put = ::write(handle->fd, bytes + total, length - total);
        if (put < 0 && errno == EINTR) {
            continue;
        }
        if (put <= 0) {
            break;
        }
        total += static_cast<size_t>(put);
    }
    if (count != nullptr) {
        *count = total;
    }
    return total == length ? aErrNone : aErrWrite;
}

aErr aFile_Printf(aFileHandle* handle, const char* format, ...) {
    if (!s_isValid(handle) || format == nullptr) {
        return aErrParam;
    }
    if (!s_canWrite(handle)) {
        return aErrMode;
    }
    std::va_list args;
    va_start(args, format);
    std::va_list measure;
    va_copy(measure, args);
    const int needed = std::vsnprintf(nullptr, 0, format, measure);
    va_end(measure);
    if (needed < 0 || needed > aFILE_MAX_PRINTF) {
        va_end(args);
        return aErrIO;
    }
    // One buffer per call: the settings files and the packet log print from different threads.
    std::string text(static_cast<size_t>(needed), '\0');
    std::vsnprintf(text.data(), text.size() + 1, format, args);
    va_end(args);
    return aFile_Write(handle, text.data(), text.size(), nullptr);
}

aErr aFile_Seek(aFileHandle* handle, int32_t offset, int32_t origin) {
    if (!s_isValid(handle)) {
        return aErrParam;
    }
    struct stat info {};
    const off_t position = ::lseek(handle->fd, 0, SEEK_CUR);
    if (::fstat(handle->fd, &info) != 0 || position < 0) {
        return aErrIO;
    }
    int64_t base = 0;
    if (origin == aFILE_SEEK_CURRENT) {
        base = position;
    } else if (origin == aFILE_SEEK_END) {
        base = info.st_size;
    }
    const int64_t target = base + offset;
    if (target < 0 || target > info.st_size) {
        return aErrRange;
    }
    return ::lseek(handle->fd, static_cast<off_t>(target), SEEK_SET) < 0 ? aErrIO : aErrNone;
}

aErr aFile_GetSize(aFileHandle* handle, uint32_t* size) {
    if (!s_isValid(handle) || size == nullptr) {
        return aErrParam;
    }
    *size = 0;
    struct stat info {};
    if (::fstat(handle->fd, &info) != 0) {
        return aErrIO;
    }
    // A size cut to 32 bits would be a plainly wrong answer.
    if (info.st_size > UINT32_MAX) {
        return aErrRange;
    }
    *size = static_cast<uint32_t>(info.st_size);
    return aErrNone;
}

aErr aFile_GetPosition(aFileHandle* handle, uint32_t* position) {
    if (!s_isValid(handle) || position == nullptr) {
        return aErrParam;
    }
    *position = 0;
    const off_t current = ::lseek(handle->fd, 0, SEEK_CUR);
    if (current < 0) {
        return aErrIO;
    }
    if (current > UINT32_MAX) {
        return aErrRange;
    }
    *position = static_cast<uint32_t>(current);
    return aErrNone;
}

aErr aFile_SetUnbuffered(aFileHandle* handle) {
    return s_isValid(handle) ? aErrMode : aErrParam;
}

bool aFile_Exists(const char* path) {
    struct stat info {};
    return path != nullptr && ::stat(path, &info) == 0 && !S_ISDIR(info.st_mode);
}

aErr aFile_Delete(const char* path) {
    if (path == nullptr) {
        return aErrParam;
    }
    if (::unlink(path) == 0) {
        return aErrNone;
    }
    switch (errno) {
        case ENOENT:
            return aErrNotFound;
        case EACCES:
        case EPERM:
            return aErrPermission;
        default:
            return aErrIO;
    }
}
}
