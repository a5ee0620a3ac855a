/* aTime: a millisecond clock for measuring intervals, and sleep. */
#ifndef LYNKOR_ATIME_H
#define LYNKOR_ATIME_H

#include <stdint.h>

#include "aError.h"

LYNKOR_EXTERN_C_BEGIN

/* Milliseconds from an arbitrary origin on a monotonic clock; wraps. Subtract two readings. */
LYNKOR_API uint32_t aTime_GetMSTicks(void);
/* Sleeps only when milliseconds is above zero. */
LYNKOR_API aErr aTime_MSSleep(uint32_t milliseconds);

LYNKOR_EXTERN_C_END

#endif
