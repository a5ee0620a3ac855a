/* aDirectory: path building and directory operations. "/" is the only separator. */
#ifndef LYNKOR_ADIRECTORY_H
#define LYNKOR_ADIRECTORY_H

#include <stdbool.h>
#include <stddef.h>
#include <stdint.h>

#include "aError.h"

#define aDIRECTORY_SEPARATOR "/"
#define aDIRECTORY_SEPARATOR_CHAR '/'
/* The most components aDirectory_BuildPath joins. */
#define aDIRECTORY_MAX_COMPONENTS 10

typedef struct aDirectoryEntry {
    const char* path; /* the listed directory joined with the entry's name */
    uint32_t size;    /* low 32 bits of the size */
    int32_t is_directory;
} aDirectoryEntry;

/* Returns true to go on listing, false to stop. */
typedef bool (*aDirectoryListCallback)(const aDirectoryEntry* entry, void* reference);

LYNKOR_EXTERN_C_BEGIN

/* Joins the components, ending with a null pointer, with one separator between them.
 * aErrParam for more than aDIRECTORY_MAX_COMPONENTS or a component that is dst itself;
 * aErrOverrun when the result does not fit (dst then holds what was built so far). */
LYNKOR_API aErr aDirectory_BuildPath(char* dst, size_t size, const char* first, ...);
LYNKOR_API aErr aDirectory_JoinPath(char* dst, size_t size, const char* first, const char* second);
/* $HOME, or the user's entry in the password database when HOME is unset or empty. */
LYNKOR_API aErr aDirectory_GetHomeDirectory(char* dst, size_t size);
LYNKOR_API aErr aDirectory_CWD(char* dst, size_t size);
LYNKOR_API aErr aDirectory_ExecutableFilePath(char* dst, size_t size);
LYNKOR_API bool aDirectory_Exists(const char* path);
/* Creates the directory and every missing parent with the given permission bits. */
LYNKOR_API aErr aDirectory_Ensure(const char* path, uint32_t permissions);
/* Removes an empty directory; aErrUnknown when it cannot. */
LYNKOR_API aErr aDirectory_Delete(const char* path);
/* Removes the directory and everything in it. Symbolic links are removed, never followed. */
LYNKOR_API aErr aDirectory_DeleteTree(const char* path);
/* Calls back once per entry, "." and ".." included, in the order the system returns them. */
LYNKOR_API aErr aDirectory_List(const char* path, aDirectoryListCallback callback, void* reference);

LYNKOR_EXTERN_C_END

#endif
