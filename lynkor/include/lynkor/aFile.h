/* aFile: a minimal file object over the operating system's file descriptors. */
#ifndef LYNKOR_AFILE_H
#define LYNKOR_AFILE_H

#include <stdbool.h>
#include <stddef.h>
#include <stdint.h>

#include "aError.h"

#define aFILE_CHECK 0xFEED
/* The longest path aFile_Open accepts, in characters. */
#define aFILE_MAX_PATH 260
/* aFile_Printf writes at most this many characters per call. */
#define aFILE_MAX_PRINTF 65535

#define aFILE_MODE_READ 0
/* Creates the file or truncates it. */
#define aFILE_MODE_WRITE 1
/* Reads and writes; creates the file when missing and starts at its end. */
#define aFILE_MODE_APPEND 2

#define aFILE_SEEK_START 0
#define aFILE_SEEK_CURRENT 1
#define aFILE_SEEK_END 2

typedef struct aFileHandle {
    uint32_t check; /* aFILE_CHECK while open, cleared on close */
    int fd;
    int32_t mode;
} aFileHandle;

LYNKOR_EXTERN_C_BEGIN

/* Null for a null or too long path, an unknown mode, or any failure to open. */
LYNKOR_API aFileHandle* aFile_Open(const char* path, int32_t mode);
/* Sets *handle to null. Answers aErrWrite when written data could not be flushed to storage. */
LYNKOR_API aErr aFile_Close(aFileHandle** handle);
/* Reads up to length bytes (fewer only at the end of the file); aErrEOF when none are left. */
LYNKOR_API aErr aFile_Read(aFileHandle* handle, void* buffer, size_t length, size_t* count);
/* Reads one line, its line feed included, into buffer (terminated). aErrOverrun when the line
 * is longer than size - 1 bytes (those are returned, the rest is left for the next call);
 * aErrEOF at the end of the file. */
LYNKOR_API aErr aFile_ReadLine(aFileHandle* handle, char* buffer, size_t size, size_t* length);
LYNKOR_API aErr aFile_Write(aFileHandle* handle, const void* buffer, size_t length, size_t* count);
LYNKOR_API aErr aFile_Printf(aFileHandle* handle, const char* format, ...)
    __attribute__((format(printf, 2, 3)));
/* aErrRange for a target before the start or beyond the end; the end itself is allowed. */
LYNKOR_API aErr aFile_Seek(aFileHandle* handle, int32_t offset, int32_t origin);
LYNKOR_API aErr aFile_GetSize(aFileHandle* handle, uint32_t* size);
LYNKOR_API aErr aFile_GetPosition(aFileHandle* handle, uint32_t* position);
/* Not supported on this platform: always aErrMode for an open handle. */
LYNKOR_API aErr aFile_SetUnbuffered(aFileHandle* handle);
/* True when the path names an existing file that is not a directory. */
LYNKOR_API bool aFile_Exists(const char* path);
LYNKOR_API aErr aFile_Delete(const char* path);

LYNKOR_EXTERN_C_END

#endif
