/* aMutex: a named recursive lock; the owning thread may lock it again. */
#ifndef LYNKOR_AMUTEX_H
#define LYNKOR_AMUTEX_H

#include "aError.h"

/* The longest name, in characters. */
#define aMUTEX_MAX_NAME 255

typedef struct aMutex aMutex;

LYNKOR_EXTERN_C_BEGIN

/* A null name gives an empty name; a longer name than aMUTEX_MAX_NAME gives null. */
LYNKOR_API aMutex* aMutex_Create(const char* name);
/* aErrBusy when the mutex is held (by any thread); it then stays usable. Sets *mutex to null. */
LYNKOR_API aErr aMutex_Destroy(aMutex** mutex);
LYNKOR_API aErr aMutex_Lock(aMutex* mutex);
/* aErrBusy when another thread holds the mutex. */
LYNKOR_API aErr aMutex_TryLock(aMutex* mutex);
/* aErrPermission when the calling thread does not hold the mutex. */
LYNKOR_API aErr aMutex_Unlock(aMutex* mutex);
/* The name given at creation; null for a null mutex. */
LYNKOR_API const char* aMutex_Identifier(const aMutex* mutex);

LYNKOR_EXTERN_C_END

#endif
